"""A nesting package's Python extension round-trips random orvane_h26x_msgs
content through its Bundle record, one nested field at a time."""

import random
import unittest

import bundle_conversion
from builtin_interfaces.msg import Time
from orvane_h26x_msgs import msg
from std_msgs.msg import Header


def random_value(type_name, rng):
    if type_name.startswith('sequence<'):
        element = type_name[len('sequence<'):-1]
        if element == 'uint8':
            return bytes(rng.randrange(256) for _ in range(rng.randrange(0, 50)))
        return [random_value(element, rng) for _ in range(rng.randrange(0, 3))]
    if type_name == 'std_msgs/Header':
        return Header(stamp=Time(sec=rng.randrange(-2**31, 2**31), nanosec=rng.randrange(2**32)),
                      frame_id=random_value('string', rng))
    if type_name == 'string':
        return ''.join(rng.choice('abcxyzé/') for _ in range(rng.randrange(8)))
    if type_name.startswith('orvane_h26x_msgs/'):
        return random_message(getattr(msg, type_name.split('/')[1]), rng)
    return rng.randrange(2 ** {'uint8': 8, 'uint32': 32, 'uint64': 64}[type_name])


def random_message(cls, rng):
    return cls(**{field: random_value(kind, rng) for field, kind in cls.get_fields_and_field_types().items()})


class Bundle:
    """What a nesting package's Python class holds: its fields, compared by value."""

    def __init__(self):
        self.video = msg.Compressed()
        self.multi = []
        self.stereo = [msg.Image(), msg.Image()]
        self.thumbnails = []
        self.label = ''

    def __eq__(self, other):
        return vars(self) == vars(other)


class NestedConversion(unittest.TestCase):

    def test_random_nested_content_round_trips(self):
        rng = random.Random(18)
        for _ in range(30):
            bundle = Bundle()
            bundle.video = random_message(msg.Compressed, rng)
            bundle.multi = [random_message(msg.MultiCompressed, rng) for _ in range(rng.randrange(3))]
            bundle.stereo = [random_message(msg.Image, rng) for _ in range(2)]
            bundle.thumbnails = [random_message(msg.Image, rng) for _ in range(rng.randrange(4))]
            bundle.label = 'bundle'
            back = bundle_conversion.round_trip(bundle)
            self.assertIsNot(back, bundle)
            self.assertEqual(back, bundle)

    def test_a_wrong_nested_type_is_refused_with_an_exception(self):
        bundle = Bundle()
        bundle.video = msg.Image()
        with self.assertRaises(TypeError):
            bundle_conversion.round_trip(bundle)
        bundle = Bundle()
        bundle.multi = [msg.MultiCompressed(), msg.Compressed()]
        with self.assertRaises(TypeError):
            bundle_conversion.round_trip(bundle)


if __name__ == '__main__':
    unittest.main()
