#!/usr/bin/env python3
"""pyserial's RFC 2217 server (serial.rfc2217.PortManager) for one client, in front of DEVICE.

A second, independent server for tests of the RFC 2217 line. It listens on the loopback
interface, prints its port on a line of its own once it listens, serves one connection and
ends when the client goes.

    pyserial_rfc2217_server.py DEVICE
"""
import socket
import sys
import threading

import serial
import serial.rfc2217


class Connection:
    """What PortManager writes to: the client's socket."""

    def __init__(self, sock):
        self.sock = sock

    def write(self, data):
        self.sock.sendall(data)


def main():
    port = serial.serial_for_url(sys.argv[1], do_not_open=True)
    port.timeout = 0.05
    port.open()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print(listener.getsockname()[1], flush=True)
    client, _ = listener.accept()
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    manager = serial.rfc2217.PortManager(port, Connection(client))
    # A pseudo-terminal has no modem lines to report (TIOCMGET fails on it).
    manager.check_modem_lines = lambda force_notification=False: None
    done = threading.Event()

    def device_to_client():
        while not done.is_set():
            data = port.read(port.in_waiting or 1)
            if data:
                try:
                    client.sendall(b"".join(manager.escape(data)))
                except OSError:
                    break

    reader = threading.Thread(target=device_to_client, daemon=True)
    reader.start()
    while True:
        data = client.recv(1024)
        if not data:
            break
        port.write(b"".join(manager.filter(data)))
    done.set()
    reader.join()


if __name__ == "__main__":
    main()
