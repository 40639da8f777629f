"""The player starts with its window titled "Tavrel" and ends with status 0 on File, Exit."""

import harness
from player_ui import visible_windows, wait_popup


def test(args):
    with harness.Session(args) as s:
        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        g = s.window_geometry(wid)
        assert g["WIDTH"] > 600 and g["HEIGHT"] > 400, g
        s.screenshot("player_start")
        # File menu, then Exit: the menu opens on a click of its title, as a window of its own
        # beside the main one.
        shown = visible_windows(s)
        assert shown == [wid], shown
        s.click(wid, 20, 10)
        wait_popup(s, shown, what="the File menu")
        s.key(wid, "Up", "Return")
        status = s.wait_exit(proc, timeout=10)
        assert status == 0, f"exit status {status}"


if __name__ == "__main__":
    harness.main(test)
