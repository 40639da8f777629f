"""The player starts with its window titled "Tavrel" and ends with status 0 on File, Exit."""

import harness


def test(args):
    with harness.Session(args) as s:
        proc = s.start("tavrel")
        wid = s.find_window("Tavrel")
        g = s.window_geometry(wid)
        assert g["WIDTH"] > 600 and g["HEIGHT"] > 400, g
        s.screenshot("player_start")
        # File menu, then Exit: the menu opens on a click of its title.
        s.click(wid, 20, 10)
        harness.wait_until(lambda: s.xdotool("search", "--onlyvisible", "--class", "tavrel",
                                             check=False).count("\n") >= 1,
                           what="the File menu")
        s.key(wid, "Up", "Return")
        status = s.wait_exit(proc, timeout=10)
        assert status == 0, f"exit status {status}"


if __name__ == "__main__":
    harness.main(test)
