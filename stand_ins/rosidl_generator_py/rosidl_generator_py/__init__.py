"""Stand-in for ROS 2's rosidl_generator_py at run time: the import helper
that message modules use to load their package's extension module."""

from rosidl_generator_py.import_type_support_impl import import_type_support  # noqa: F401
from rosidl_generator_py.import_type_support_impl import UnsupportedTypeSupport  # noqa: F401
