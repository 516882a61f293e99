"""The message classes, made from the field lists the way rclpy expects them.

Each class has a metaclass of its own whose __import_type_support__() loads
the package's extension module and stores five capsules on the metaclass:
_CREATE_ROS_MESSAGE, _CONVERT_FROM_PY, _CONVERT_TO_PY, _DESTROY_ROS_MESSAGE
and _TYPE_SUPPORT (the rosidl_typesupport_c dispatch handle). rclpy reads
them from type(msg) and calls them; the middleware then serializes the plain
record through the handle.
"""

import array
import importlib

from orvane_h26x_msgs.msg._fields import FIELDS

PACKAGE = 'orvane_h26x_msgs'

_INTEGER_BITS = {'UINT8': 8, 'UINT32': 32, 'UINT64': 64}
_TYPE_NAMES = {
    'UINT8': 'uint8', 'UINT32': 'uint32', 'UINT64': 'uint64', 'STRING': 'string',
    'UINT8_SEQUENCE': 'sequence<uint8>', 'STRING_SEQUENCE': 'sequence<string>',
    'HEADER': 'std_msgs/Header', 'HEADER_SEQUENCE': 'sequence<std_msgs/Header>',
}
# Byte sequences longer than this are shortened in repr().
_REPR_BYTES = 16


def _type_name(kind, element):
    if kind == 'MESSAGE_SEQUENCE':
        return 'sequence<%s/%s>' % (PACKAGE, element)
    return _TYPE_NAMES[kind]


def _message_class(kind, element):
    """The Python class of a nested field: std_msgs' Header or one of ours."""
    if kind in ('HEADER', 'HEADER_SEQUENCE'):
        return importlib.import_module('std_msgs.msg').Header
    return importlib.import_module(PACKAGE + '.msg').__dict__[element]


def _check_integer(owner, field, kind, value):
    if not isinstance(value, int):
        raise TypeError("%s.%s is a %s, not %s" % (owner, field, _TYPE_NAMES[kind], type(value).__name__))
    if not 0 <= value < 1 << _INTEGER_BITS[kind]:
        raise ValueError('%s.%s is a %s: %d is out of range [0, %d]'
                         % (owner, field, _TYPE_NAMES[kind], value, (1 << _INTEGER_BITS[kind]) - 1))
    return value


def _check_bytes(owner, field, value):
    """array('B') as it is; any bytes-like object or sequence of 0..255 copied into one."""
    if isinstance(value, array.array) and value.typecode == 'B':
        return value
    if isinstance(value, str):
        raise TypeError('%s.%s holds bytes, not str (encode it first)' % (owner, field))
    try:
        view = memoryview(value)
    except TypeError:
        view = None
    if view is not None:
        if view.itemsize != 1 or not view.contiguous:
            raise TypeError('%s.%s needs contiguous bytes, not items of %d bytes'
                            % (owner, field, view.itemsize))
        converted = array.array('B')
        converted.frombytes(view.cast('B') if view.format != 'B' else view)
        return converted
    try:
        return array.array('B', value)
    except OverflowError:
        raise ValueError('%s.%s holds uint8 values: 0 to 255' % (owner, field)) from None
    except TypeError:
        raise TypeError('%s.%s needs bytes, array(\'B\') or a sequence of ints, not %s'
                        % (owner, field, type(value).__name__)) from None


def _check_list(owner, field, value, element_check):
    if isinstance(value, (str, bytes)) or not hasattr(value, '__iter__'):
        raise TypeError('%s.%s is a sequence, not %s' % (owner, field, type(value).__name__))
    return [element_check(item) for item in value]


def _checker(owner, field, kind, element):
    """The setter's check of one field: returns the value to store, or raises."""
    if kind in _INTEGER_BITS:
        return lambda value: _check_integer(owner, field, kind, value)
    if kind == 'UINT8_SEQUENCE':
        return lambda value: _check_bytes(owner, field, value)

    def text(value):
        if not isinstance(value, str):
            raise TypeError('%s.%s holds str, not %s' % (owner, field, type(value).__name__))
        return value

    def message(value):
        expected = _message_class(kind, element)
        if not isinstance(value, expected):
            raise TypeError('%s.%s holds %s.%s, not %s'
                            % (owner, field, expected.__module__, expected.__name__, type(value).__name__))
        return value

    if kind == 'STRING':
        return text
    if kind == 'STRING_SEQUENCE':
        return lambda value: _check_list(owner, field, value, text)
    if kind == 'HEADER':
        return message
    return lambda value: _check_list(owner, field, value, message)


def _default(kind, element):
    if kind in _INTEGER_BITS:
        return 0
    if kind == 'STRING':
        return ''
    if kind == 'UINT8_SEQUENCE':
        return array.array('B')
    if kind == 'HEADER':
        return _message_class(kind, element)()
    return []


def _field_repr(value):
    if isinstance(value, array.array) and len(value) > _REPR_BYTES:
        head = ', '.join(str(b) for b in value[:_REPR_BYTES])
        return "array('B', [%s, ...])  # %d bytes" % (head, len(value))
    return repr(value)


class _MessageMetaclass(type):
    """Base of the per-message metaclasses; see the module's description."""

    _CREATE_ROS_MESSAGE = None
    _CONVERT_FROM_PY = None
    _CONVERT_TO_PY = None
    _DESTROY_ROS_MESSAGE = None
    _TYPE_SUPPORT = None

    @classmethod
    def __import_type_support__(cls):
        from rosidl_generator_py import import_type_support
        module = import_type_support(PACKAGE)
        name = cls._MESSAGE_NAME
        cls._CREATE_ROS_MESSAGE = getattr(module, 'create_ros_message__' + name)
        cls._CONVERT_FROM_PY = getattr(module, 'convert_from_py__' + name)
        cls._CONVERT_TO_PY = getattr(module, 'convert_to_py__' + name)
        cls._DESTROY_ROS_MESSAGE = getattr(module, 'destroy_ros_message__' + name)
        cls._TYPE_SUPPORT = getattr(module, 'type_support__' + name)
        # Nested types convert through their own classes' capsules.
        for _, kind, element in FIELDS[name]:
            if kind in ('HEADER', 'HEADER_SEQUENCE', 'MESSAGE_SEQUENCE'):
                nested = type(_message_class(kind, element))
                if nested._TYPE_SUPPORT is None:
                    nested.__import_type_support__()


class _Message:
    __slots__ = ()

    def __init__(self, **kwargs):
        unknown = sorted(set(kwargs) - set(self._fields_and_field_types))
        if unknown:
            raise TypeError('%s() has no field %s (fields: %s)'
                            % (type(self).__name__, ', '.join(unknown), ', '.join(self._fields_and_field_types)))
        for field, kind, element in self._FIELD_LINES:
            setattr(self, field, kwargs[field] if field in kwargs else _default(kind, element))

    def __repr__(self):
        fields = ', '.join('%s=%s' % (field, _field_repr(getattr(self, field)))
                           for field, _, _ in self._FIELD_LINES)
        return '%s.%s(%s)' % (type(self).__module__, type(self).__name__, fields)

    def __eq__(self, other):
        if not isinstance(other, type(self)):
            return False
        return all(getattr(self, slot) == getattr(other, slot) for slot in self.__slots__)

    __hash__ = None

    @classmethod
    def get_fields_and_field_types(cls):
        return dict(cls._fields_and_field_types)


def _slot_types(lines):
    """rosidl_parser's description of each field, where rosidl_parser is installed."""
    try:
        from rosidl_parser import definition
    except ImportError:
        return None

    def basic(kind):
        return definition.BasicType(_TYPE_NAMES[kind]) if kind in _INTEGER_BITS else definition.UnboundedString()

    def one(kind, element):
        if kind in ('UINT8', 'UINT32', 'UINT64', 'STRING'):
            return basic(kind)
        if kind in ('UINT8_SEQUENCE', 'STRING_SEQUENCE'):
            return definition.UnboundedSequence(basic(kind.replace('_SEQUENCE', '')))
        nested = (definition.NamespacedType(['std_msgs', 'msg'], 'Header') if kind.startswith('HEADER')
                  else definition.NamespacedType([PACKAGE, 'msg'], element))
        return nested if kind == 'HEADER' else definition.UnboundedSequence(nested)

    return tuple(one(kind, element) for _, kind, element in lines)


def make_message_class(name):
    """The class of message `name`, with its own metaclass Metaclass_<name>."""
    lines = FIELDS[name]
    metaclass = type('Metaclass_' + name, (_MessageMetaclass,), {'_MESSAGE_NAME': name})
    namespace = {
        '__slots__': ['_' + field for field, _, _ in lines],
        '__module__': PACKAGE + '.msg',
        '__doc__': 'Message class of %s/msg/%s.' % (PACKAGE, name),
        '_FIELD_LINES': lines,
        '_fields_and_field_types': {field: _type_name(kind, element) for field, kind, element in lines},
    }
    slot_types = _slot_types(lines)
    if slot_types is not None:
        namespace['SLOT_TYPES'] = slot_types
    for field, kind, element in lines:
        check = _checker(name, field, kind, element)
        slot = '_' + field

        def getter(self, slot=slot):
            return getattr(self, slot)

        def setter(self, value, slot=slot, check=check):
            object.__setattr__(self, slot, check(value))

        namespace[field] = property(getter, setter, doc='%s (%s)' % (field, _type_name(kind, element)))
    return metaclass(name, (_Message,), namespace)
