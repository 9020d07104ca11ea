#!/usr/bin/env python3
# turn.py: how fast, in degrees a second, the one halo on the X display turns about the middle
# of the screen, from screenshots over 2.5 s. Exits with 3 when it lies too near the middle to tell.
import math, subprocess, sys, time

def halo():
    """The lit pixels' centre, from the middle of the screen."""
    ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
    _, size, _, pixels = ppm.split(b"\n", 3)
    width, height = map(int, size.split())
    lit = [(i // 3 % width, i // 3 // width) for i in range(0, len(pixels), 3) if pixels[i] + pixels[i + 1] + pixels[i + 2] > 150]
    return sum(x for x, _ in lit) / len(lit) - width / 2, sum(y for _, y in lit) / len(lit) - height / 2

times, turns, start = [], [], time.monotonic()
while time.monotonic() - start < 2.5:
    before = time.monotonic()
    dx, dy = halo()
    if math.hypot(dx, dy) < 30:
        sys.exit(3)
    turn = math.degrees(math.atan2(dy, dx))
    times.append((before + time.monotonic()) / 2)
    turns.append(turn if not turns else turns[-1] + (turn - turns[-1] + 180) % 360 - 180)  # unwrapped
mt, ma = sum(times) / len(times), sum(turns) / len(turns)
print(abs(sum((t - mt) * (a - ma) for t, a in zip(times, turns)) / sum((t - mt) ** 2 for t in times)))
