#!/usr/bin/env python3
"""Memory bounds of corvane-station under the three heavy loads, with every count checked.

    bench/bounds_soak.py [--build DIR] [--scale F] [LOAD ...]

LOAD is one or more of:
  sur-gard-60k  60 KiB Sur-Gard messages, pipelined, until the 100,000-record ring is full
  dc09-16k      16 KiB SIA-DCS frames, pipelined, 420,000 of them
  waiting-1m    1,000,000 messages sent under "DELAY 3600000 ACK" on 64 connections (the most
                the station serves); each is read until more than 10,000 answers wait on it,
                then SIGTERM: every message read is counted unsent (station stopped), and no
                answer byte is sent
  (default: all three)

--scale multiplies the message counts (0.1 for a quick look). The station runs as a server on a
free port with --quiet; the script sends from 127.0.0.1, reads every answer, samples the
station's resident memory every 100 ms and prints, per load: messages and answers sent and
counted, the summary's answers and records lines, and the peak resident memory (VmHWM) against
the 512 MiB target. Exit status 1 when a count or the target is missed.
"""
import argparse
import os
import re
import signal
import socket
import subprocess
import sys
import threading
import time

TARGET_KIB = 512 * 1024


def crc16(data: bytes) -> int:
    """CRC-16/ARC, as DC-09 frames carry it."""
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def dc09_frame(size: int) -> bytes:
    body = b'"SIA-DCS"0001R1L1#1234[#1234|Nri1/' + b"X" * size + b"]"
    return b"\n%04X%04X" % (crc16(body), len(body)) + body + b"\r"


def free_port() -> int:
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Station:
    def __init__(self, build, protocol, extra):
        self.port = free_port()
        program = os.path.join(build, "src/station_cli/corvane-station")
        args = [program, "--protocol", protocol, "--server", str(self.port), "--quiet",
                "--heartbeat-interval", "0"] + extra
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.peak_kib = 0
        self.sampling = True
        self.sampler = threading.Thread(target=self.sample, daemon=True)
        self.sampler.start()
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("the station did not start listening")

    def sample(self):
        path = "/proc/%d/status" % self.process.pid
        while self.sampling:
            try:
                with open(path) as status:
                    for line in status:
                        if line.startswith("VmHWM:"):
                            self.peak_kib = max(self.peak_kib, int(line.split()[1]))
            except OSError:
                return
            time.sleep(0.1)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        out, _ = self.process.communicate(timeout=600)
        self.sampling = False
        return out.decode(errors="replace")


def send_and_count(port, payload_chunks, answers_wanted, terminator, timeout):
    """Sends every chunk on one connection while a reader counts answer terminators."""
    sock = socket.create_connection(("127.0.0.1", port))
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    counted = [0]

    def read():
        sock.settimeout(timeout)
        while counted[0] < answers_wanted:
            try:
                data = sock.recv(1 << 16)
            except OSError:
                return
            if not data:
                return
            counted[0] += data.count(terminator)

    reader = threading.Thread(target=read)
    reader.start()
    for chunk in payload_chunks:
        sock.sendall(chunk)
    reader.join()
    sock.close()
    return counted[0]


def batches(message, count, per_batch=64):
    batch = message * per_batch
    for _ in range(count // per_batch):
        yield batch
    if count % per_batch:
        yield message * (count % per_batch)


def summary_lines(out):
    return [line for line in out.splitlines()
            if line.startswith(("summary:", "answers:", "records:"))]


def counted_messages(out):
    found = re.search(r"summary: (\d+) messages", out)
    return int(found.group(1)) if found else -1


def run_pipelined(build, protocol, message, count, terminator):
    station = Station(build, protocol, [])
    start = time.time()
    answered = send_and_count(station.port, batches(message, count), count, terminator, 120)
    seconds = time.time() - start
    time.sleep(0.5)  # the worker takes in the last batch
    out = station.stop()
    return station.peak_kib, answered, out, seconds


def load_sur_gard(build, scale):
    count = int(100_000 * scale)
    message = b"5011 18112345E13001003" + b"X" * (60 * 1024 - 23) + b"\x14"
    peak, answered, out, seconds = run_pipelined(build, "sur-gard", message, count, b"\x06")
    ok = answered == count and counted_messages(out) == count and "ACK=%d" % count in out
    return ok, peak, "%d sent, %d ACKs read in %.1f s" % (count, answered, seconds), out


def load_dc09(build, scale):
    count = int(420_000 * scale)
    frame = dc09_frame(16 * 1024)
    peak, answered, out, seconds = run_pipelined(build, "sia-dcs", frame, count, b"\r")
    ok = answered == count and counted_messages(out) == count and "unsent" not in out
    return ok, peak, "%d sent, %d answers read in %.1f s" % (count, answered, seconds), out


def load_waiting(build, scale):
    # The station serves 64 receivers at most: 1,000,000 messages take 64 connections of 15,625.
    # Each connection is read until more than 10,000 of its answers wait; TCP holds the rest.
    connections = 64
    each = int(15_625 * scale)
    station = Station(build, "sur-gard", ["--script", "DELAY 3600000 ACK"])
    message = b"5011 18112345E13001003\x14"
    socks = [socket.create_connection(("127.0.0.1", station.port)) for _ in range(connections)]
    senders = [threading.Thread(target=sock.sendall, args=(message * each,), daemon=True)
               for sock in socks]
    start = time.time()
    for sender in senders:
        sender.start()
    # Reading ends when every connection is held back (or has sent all): wait until the
    # station's memory stays put for three seconds, and ten seconds at least (the memory of
    # waiting answers grows in steps).
    last, steady = -1, 0
    while (steady < 30 or time.time() - start < 10) and time.time() - start < 300:
        time.sleep(0.1)
        rss = resident_kib(station.process.pid)
        steady = steady + 1 if rss == last else 0
        last = rss
    seconds = time.time() - start
    out = station.stop()
    received = 0
    for sock in socks:
        sock.settimeout(5)
        while True:
            try:
                data = sock.recv(1 << 16)
            except OSError:
                break
            if not data:
                break
            received += len(data)
        sock.close()
    counted = counted_messages(out)
    bound = min(each, 10_001)
    ok = (counted >= connections * bound and "unsent=%d (station stopped)" % counted in out
          and received == 0)
    return ok, station.peak_kib, ("%d sent on %d connections, %d read and waiting after %.1f s "
                                  "(the rest held back by TCP), %d answer bytes sent") % (
        connections * each, connections, counted, seconds, received), out


def resident_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return -1


LOADS = {"sur-gard-60k": load_sur_gard, "dc09-16k": load_dc09, "waiting-1m": load_waiting}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("loads", nargs="*", default=list(LOADS))
    args = parser.parse_args()
    failed = False
    for name in args.loads:
        ok, peak, what, out = LOADS[name](args.build, args.scale)
        verdict = "ok" if ok and peak <= TARGET_KIB else "MISSED"
        failed = failed or verdict != "ok"
        print("== %s: %s; peak resident %.0f MiB (target 512): %s" % (
            name, what, peak / 1024, verdict))
        for line in summary_lines(out):
            print("   " + line)
        sys.stdout.flush()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
