#!/usr/bin/env python3
"""A TCP proxy on loopback that makes a slow link: every chunk read from
either side is written to the other side a fixed time later (half the round
trip each way), in order. It stands in for a network emulator on a machine
without one.

    delay_proxy.py LISTEN_PORT TARGET_PORT ROUND_TRIP_MS [--ready FILE]

It listens on 127.0.0.1:LISTEN_PORT (0 picks a free port) and connects every
client to 127.0.0.1:TARGET_PORT. It only ever touches 127.0.0.1. Once
listening it prints "proxy listening on PORT" (and writes the port to FILE).
It runs until it is killed.
"""
import asyncio
import socket
import sys
import time


async def pipe(reader, writer, delay):
    # Chunks wait in a queue with the time they are due, so that a slow
    # writer does not shift the ones behind it later than due.
    queue = asyncio.Queue()

    async def send():
        while True:
            due, data = await queue.get()
            if data is None:
                break
            wait = due - time.monotonic()
            if wait > 0:
                await asyncio.sleep(wait)
            writer.write(data)
            await writer.drain()
        writer.close()

    sender = asyncio.ensure_future(send())
    try:
        while True:
            data = await reader.read(65536)
            if not data:
                break
            queue.put_nowait((time.monotonic() + delay, data))
    except (ConnectionError, OSError):
        pass
    queue.put_nowait((time.monotonic() + delay, None))
    try:
        await sender
    except (ConnectionError, OSError):
        pass


async def main():
    listen_port, target_port, rtt_ms = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
    ready = sys.argv[5] if len(sys.argv) > 5 and sys.argv[4] == "--ready" else None
    delay = rtt_ms / 2000.0

    async def client(reader, writer):
        try:
            up_reader, up_writer = await asyncio.open_connection("127.0.0.1", target_port)
        except OSError:
            writer.close()
            return
        for w in (writer, up_writer):
            sock = w.get_extra_info("socket")
            if sock is not None:
                sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        await asyncio.gather(pipe(reader, up_writer, delay), pipe(up_reader, writer, delay))

    server = await asyncio.start_server(client, "127.0.0.1", listen_port)
    port = server.sockets[0].getsockname()[1]
    print(f"proxy listening on {port}", flush=True)
    if ready:
        with open(ready, "w") as f:
            f.write(f"{port}\n")
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    asyncio.run(main())
