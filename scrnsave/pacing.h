// When the saver's frames are due. Pure: they look only at what they are given.
#pragma once

// Frames a second on a display of this refresh, in hertz: the refresh, or 60 where
// it reads 0 or 1 (the hardware's default). On battery at most 60, as a whole share
// of the refresh, so that every frame stays up for as many refreshes as the last.
double FrameRate(unsigned refresh, bool onBattery);

// Whether presenting a frame waited for the display: it took over half a frame.
// A present that does not wait only hands the picture on, which takes far less.
bool PresentWaited(double presentSeconds, double period);

// The time that a frame due at `due` and started at `now` shows: its due time, so
// that frames keep an even pace however late the system wakes the saver, unless it
// is a whole frame or more late.
double FrameTime(double due, double now, double period);

// When the frame after one that showed `shown` is due: a period later, or at once
// (`now`) when its present waited for the display, which then keeps the pace itself.
double NextFrameTime(double shown, double period, bool presentWaited, double now);
