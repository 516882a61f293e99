"""ROS 2 messages for H.26x-compressed video frames and raw images."""
