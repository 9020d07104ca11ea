#!/usr/bin/env python3
# turn.py: how fast, in degrees a second, the one halo on the X display turns about
# the middle of the screen, from screenshots over 2.5 s. Exits with 3 when the halo
# lies too near the middle to tell.
import subprocess, sys, time, math

def halo():
    """The lit pixels' centre, against the middle of the screen."""
    ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
    _, size, _, pixels = ppm.split(b"\n", 3)
    width, height = map(int, size.split())
    total = x = y = 0
    for i in range(0, len(pixels), 3):
        level = pixels[i] + pixels[i + 1] + pixels[i + 2]
        if level > 150:
            total += level
            x += level * (i // 3 % width)
            y += level * (i // 3 // width)
    return x / total - width / 2, y / total - height / 2

samples = []
start = time.monotonic()
while time.monotonic() - start < 2.5:
    before = time.monotonic()
    dx, dy = halo()
    if math.hypot(dx, dy) < 30:
        sys.exit(3)
    samples.append(((before + time.monotonic()) / 2, math.degrees(math.atan2(dy, dx))))
# Unwrapped, then a line through them.
turns = [samples[0][1]]
for (_, a), (_, b) in zip(samples, samples[1:]):
    turns.append(turns[-1] + (b - a + 180) % 360 - 180)
times = [t for t, _ in samples]
mt, ma = sum(times) / len(times), sum(turns) / len(turns)
print(abs(sum((t - mt) * (a - ma) for t, a in zip(times, turns)) / sum((t - mt) ** 2 for t in times)))
