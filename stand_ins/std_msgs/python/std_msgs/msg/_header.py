class Metaclass_Header(type):
    """Holds the capsules rclpy calls; see __import_type_support__."""

    _CREATE_ROS_MESSAGE = None
    _CONVERT_FROM_PY = None
    _CONVERT_TO_PY = None
    _DESTROY_ROS_MESSAGE = None
    _TYPE_SUPPORT = None

    @classmethod
    def __import_type_support__(cls):
        from rosidl_generator_py import import_type_support
        module = import_type_support('std_msgs')
        cls._CREATE_ROS_MESSAGE = module.create_ros_message__Header
        cls._CONVERT_FROM_PY = module.convert_from_py__Header
        cls._CONVERT_TO_PY = module.convert_to_py__Header
        cls._DESTROY_ROS_MESSAGE = module.destroy_ros_message__Header
        cls._TYPE_SUPPORT = module.type_support__Header
        from builtin_interfaces.msg import Time
        if type(Time)._TYPE_SUPPORT is None:
            type(Time).__import_type_support__()


class Header(metaclass=Metaclass_Header):
    """Message class of std_msgs/msg/Header."""

    __slots__ = ['_stamp', '_frame_id']
    _fields_and_field_types = {'stamp': 'builtin_interfaces/Time', 'frame_id': 'string'}

    def __init__(self, **kwargs):
        from builtin_interfaces.msg import Time
        unknown = sorted(set(kwargs) - set(self._fields_and_field_types))
        if unknown:
            raise TypeError('Header() has no field %s' % ', '.join(unknown))
        self.stamp = kwargs.get('stamp', Time())
        self.frame_id = kwargs.get('frame_id', '')

    def __repr__(self):
        return 'std_msgs.msg.Header(stamp=%r, frame_id=%r)' % (self.stamp, self.frame_id)

    def __eq__(self, other):
        return isinstance(other, Header) and self.stamp == other.stamp and self.frame_id == other.frame_id

    __hash__ = None

    @classmethod
    def get_fields_and_field_types(cls):
        return dict(cls._fields_and_field_types)

    @property
    def stamp(self):
        return self._stamp

    @stamp.setter
    def stamp(self, value):
        from builtin_interfaces.msg import Time
        if not isinstance(value, Time):
            raise TypeError('Header.stamp holds builtin_interfaces.msg.Time, not %s' % type(value).__name__)
        self._stamp = value

    @property
    def frame_id(self):
        return self._frame_id

    @frame_id.setter
    def frame_id(self, value):
        if not isinstance(value, str):
            raise TypeError('Header.frame_id holds str, not %s' % type(value).__name__)
        self._frame_id = value
