from std_msgs.msg._header import Header  # noqa: F401
