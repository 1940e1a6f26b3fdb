"""Checks of the soak run's own arithmetic: the figures it prints are only as good as these."""

import unittest

import soak


class ScheduleFloorTest(unittest.TestCase):
    def test_even_lists_take_the_bound_less_its_first_tick(self):
        # The bound counts the tick at the start as one of its 200 ms; the scheduler's own
        # time for an even list is exactly that tick less, whatever the latency.
        for urls, latency in ((2000, 50), (2001, 50), (19, 50), (2000, 200), (2000, 250),
                              (400, 450), (100, 0)):
            with self.subTest(urls=urls, latency=latency):
                floor = soak.schedule_floor([latency] * urls, 20)
                self.assertAlmostEqual(soak.schedule_bound(urls, 20, latency) - 0.2, floor)

    def test_a_slow_page_keeps_its_thread_through_the_ticks(self):
        # Two threads: the 500 ms page holds one until the tick at 600 ms, the quick pages go
        # through the other one tick at a time, and the last starts at 600 ms.
        self.assertAlmostEqual(0.65, soak.schedule_floor([500, 50, 50, 50, 50], 2))


if __name__ == "__main__":
    unittest.main()
