# The list server's side of the list-server tests, on loopback only:
#   list_client.py query PORT          prints "tcp_port worms running" per listed relay
#   list_client.py flood PORT COUNT    sends COUNT bogus datagrams: random bytes,
#                                      registrations with guessed tokens, queries
#                                      too small for their answer, and real
#                                      registrations from this socket (bounded
#                                      per source address by the list server)
import random
import socket
import struct
import sys

HOST = "127.0.0.1"


def query(port):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.settimeout(2)
    cursor = b"\0" * 6
    rows = []
    for _ in range(100):
        nonce = random.getrandbits(32)
        s.sendto(b"KRLS" + b"Q" + struct.pack(">I", nonce) + cursor + b"\0" * (1200 - 15), (HOST, port))
        try:
            d, _ = s.recvfrom(2000)
        except socket.timeout:
            sys.exit("no answer from the list server")
        assert d[:5] == b"KRLSA" and struct.unpack(">I", d[5:9])[0] == nonce, d[:12]
        more, count = d[9], d[10]
        assert len(d) == 11 + 8 * count <= 1200, len(d)
        for i in range(count):
            e = d[11 + 8 * i: 19 + 8 * i]
            rows.append((socket.inet_ntoa(e[:4]), struct.unpack(">H", e[4:6])[0], e[6], e[7]))
            cursor = e[:6]
        if not more or count == 0:
            break
    for addr, tcp, worms, running in rows:
        print(tcp, worms, running)


def flood(port, count):
    rnd = random.Random(1)
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setblocking(False)
    token = b"\0" * 8
    for i in range(count):
        kind = i % 4
        if kind == 0:
            d = rnd.randbytes(rnd.randrange(0, 1400))
        elif kind == 1:
            d = b"KRLSR" + rnd.randbytes(8) + struct.pack(">HBB", rnd.randrange(1, 65536), 3, 0)
        elif kind == 2:
            d = b"KRLSQ" + rnd.randbytes(10) + b"\0" * rnd.randrange(0, 30)
        else:
            # Real registrations, listed as running games: the address
            # screen shows them after the open relays.
            d = b"KRLSR" + token + struct.pack(">HBB", 65000 + i % 64, 3, 1)
        try:
            s.sendto(d, (HOST, port))
        except BlockingIOError:
            pass
        # Pick up the token answers, so that the real registrations count.
        try:
            while True:
                a, _ = s.recvfrom(2000)
                if a[:5] == b"KRLST" and len(a) == 13:
                    token = a[5:13]
        except BlockingIOError:
            pass


if __name__ == "__main__":
    if sys.argv[1] == "query":
        query(int(sys.argv[2]))
    else:
        flood(int(sys.argv[2]), int(sys.argv[3]))
