"""A short soak (scripts/soak runs the long one): rounds of closing and
adding tabs, the boss key, the tray icon and the switch key leave the main
window's process with the objects, handles and memory it had, and no
process behind."""
import unittest

from soak import FIGURES, Soak
from tolv_e2e import TolvTestCase

ROUNDS = 6
# The heap may round a few pages up or down between two counts.
MEMORY_SLACK = 1 << 20


class ShortSoak(TolvTestCase):
    def test_rounds_leave_nothing_behind(self):
        _, exe = self.own_copy("tolv-soak-")
        soak = Soak(exe)
        self.addCleanup(soak.end)
        soak.start()
        soak.warm_up()
        first = soak.figures()
        self.assertEqual(4, first["processes"], "a main window and three tabs")
        for _ in range(ROUNDS):
            soak.round()
            self.assertEqual(4, len(soak.processes()))
        last = soak.figures()
        for name in ("gdi", "user", "handles"):
            self.assertGreater(first[name], 0, name)
            self.assertEqual(first[name], last[name], "%s after %d rounds" % (name, ROUNDS))
        for name in ("private", "working_set"):
            self.assertLess(last[name] - first[name], MEMORY_SLACK, name)
        self.assertEqual(set(FIGURES) | {"counted_by"}, set(last))
        # Closing the main window ends every process of the client.
        soak.end()


if __name__ == "__main__":
    unittest.main()
