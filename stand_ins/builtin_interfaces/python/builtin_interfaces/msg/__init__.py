from builtin_interfaces.msg._time import Time  # noqa: F401
