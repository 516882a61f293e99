"""Stand-in for ROS 2's std_msgs: the Header message."""
