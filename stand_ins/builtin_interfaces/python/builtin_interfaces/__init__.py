"""Stand-in for ROS 2's builtin_interfaces: the Time message."""
