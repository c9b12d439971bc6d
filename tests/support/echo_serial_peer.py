"""The far end of a serial line for the Windows serial port test.

Opens a pseudo-terminal, prints the path of its terminal side (for Wine to
take as a COM port), and sends back every byte that arrives, until it is sent
SIGTERM. The terminal side is held open here as well, so that the line stays
up while the port is closed and opened again.
"""
import os
import pty
import signal
import sys
import tty


def main():
    master, slave = pty.openpty()
    tty.setraw(slave)  # no echo of its own, no line editing: bytes as they are
    print(os.ttyname(slave), flush=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    while True:
        data = os.read(master, 4096)
        while data:
            data = data[os.write(master, data):]


if __name__ == "__main__":
    main()
