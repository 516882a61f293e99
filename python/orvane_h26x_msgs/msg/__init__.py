"""The six messages of orvane_h26x_msgs, as rclpy and the ros2 tools use them."""

from orvane_h26x_msgs.msg._messages import make_message_class

Image = make_message_class('Image')
Compressed = make_message_class('Compressed')
DualCompressedImage = make_message_class('DualCompressedImage')
OriginalImage = make_message_class('OriginalImage')
MultiImage = make_message_class('MultiImage')
MultiCompressed = make_message_class('MultiCompressed')

__all__ = ['Image', 'Compressed', 'DualCompressedImage', 'OriginalImage', 'MultiImage', 'MultiCompressed']
