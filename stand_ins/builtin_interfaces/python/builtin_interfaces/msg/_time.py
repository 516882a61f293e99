class Metaclass_Time(type):
    """Holds the capsules rclpy calls; see __import_type_support__."""

    _CREATE_ROS_MESSAGE = None
    _CONVERT_FROM_PY = None
    _CONVERT_TO_PY = None
    _DESTROY_ROS_MESSAGE = None
    _TYPE_SUPPORT = None

    @classmethod
    def __import_type_support__(cls):
        from rosidl_generator_py import import_type_support
        module = import_type_support('builtin_interfaces')
        cls._CREATE_ROS_MESSAGE = module.create_ros_message__Time
        cls._CONVERT_FROM_PY = module.convert_from_py__Time
        cls._CONVERT_TO_PY = module.convert_to_py__Time
        cls._DESTROY_ROS_MESSAGE = module.destroy_ros_message__Time
        cls._TYPE_SUPPORT = module.type_support__Time


class Time(metaclass=Metaclass_Time):
    """Message class of builtin_interfaces/msg/Time."""

    __slots__ = ['_sec', '_nanosec']
    _fields_and_field_types = {'sec': 'int32', 'nanosec': 'uint32'}

    def __init__(self, **kwargs):
        unknown = sorted(set(kwargs) - set(self._fields_and_field_types))
        if unknown:
            raise TypeError('Time() has no field %s' % ', '.join(unknown))
        self.sec = kwargs.get('sec', 0)
        self.nanosec = kwargs.get('nanosec', 0)

    def __repr__(self):
        return 'builtin_interfaces.msg.Time(sec=%d, nanosec=%d)' % (self.sec, self.nanosec)

    def __eq__(self, other):
        return isinstance(other, Time) and self.sec == other.sec and self.nanosec == other.nanosec

    __hash__ = None

    @classmethod
    def get_fields_and_field_types(cls):
        return dict(cls._fields_and_field_types)

    @property
    def sec(self):
        return self._sec

    @sec.setter
    def sec(self, value):
        if not isinstance(value, int):
            raise TypeError('Time.sec is an int32, not %s' % type(value).__name__)
        if not -2**31 <= value < 2**31:
            raise ValueError('Time.sec is an int32: %d is out of range' % value)
        self._sec = value

    @property
    def nanosec(self):
        return self._nanosec

    @nanosec.setter
    def nanosec(self, value):
        if not isinstance(value, int):
            raise TypeError('Time.nanosec is a uint32, not %s' % type(value).__name__)
        if not 0 <= value < 2**32:
            raise ValueError('Time.nanosec is a uint32: %d is out of range' % value)
        self._nanosec = value
