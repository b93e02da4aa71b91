#!/usr/bin/env python3
"""The far end of a COM port for the Windows tests under Wine: a pseudo-terminal whose slave is
mapped to a COM port of the Wine prefix (WINEPREFIX/dosdevices/comN -> /dev/pts/M). It echoes
every byte it receives and keeps writing the line settings it sees (output speed, c_cflag,
c_iflag of the terminal) to a status file.
usage: pty-line.py DOSDEVICE_LINK STATUS_FILE"""
import os
import pty
import select
import sys
import termios
import tty

link, status = sys.argv[1], sys.argv[2]
master, slave = pty.openpty()
tty.setraw(master)
if os.path.lexists(link):
    os.remove(link)
os.symlink(os.ttyname(slave), link)
print(os.ttyname(slave), flush=True)
last = None
while True:
    ready, _, _ = select.select([master], [], [], 0.02)
    if ready:
        data = os.read(master, 4096)
        if data:
            os.write(master, data)
    attrs = termios.tcgetattr(master)
    line = "%d %d %d\n" % (attrs[5], attrs[2], attrs[0])
    if line != last:
        with open(status + ".tmp", "w") as f:
            f.write(line)
        os.replace(status + ".tmp", status)
        last = line
