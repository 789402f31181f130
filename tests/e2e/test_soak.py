"""A short soak (scripts/soak runs the long one): rounds of closing and
adding tabs (one of them hung, one whose process dies), the boss key, the
switch key and the tray icon leave the main window's process with the
objects, handles and memory it had, and no process behind."""
import unittest

from soak import FIGURES, Soak
from tolv_e2e import TolvTestCase

ROUNDS = 6
# Handles may go up by one once: the event Wine's sockets layer makes for
# the thread that sends the login reports, the first time it closes a
# request and reads off the rest of its answer. A leak of one object a
# round shows as six. Window DCs the window manager keeps are not the
# process's (see README "Soak").
OBJECT_SLACK = 1
# The heap may round a few pages up or down between two counts. (The
# working set is not held to it: pages of the program's own files come and
# go with what the system needs, 5 MB at once in the long soak.)
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
        # One round's closed tab hangs first, another's process dies.
        closings = {2: soak.close_hung_tab, 4: soak.kill_tab}
        for i in range(ROUNDS):
            soak.round(closings.get(i))
            self.assertEqual(4, len(soak.processes()))
        last = soak.figures()
        for name in ("gdi", "user", "handles"):
            self.assertGreater(first[name], 0, name)
            self.assertLessEqual(last[name] - first[name], OBJECT_SLACK,
                                 "%s after %d rounds" % (name, ROUNDS))
        self.assertLess(last["private"] - first["private"], MEMORY_SLACK)
        self.assertEqual(set(FIGURES) | {"counted_by"}, set(last))
        # Closing the main window ends every process of the client.
        soak.end()


if __name__ == "__main__":
    unittest.main()
