#pragma once

#include "DeviceJob.h"

#include <memory>
#include <vector>

class Console;
class StopSignal;

using Jobs = std::vector<std::unique_ptr<DeviceJob>>;

// How many devices can be served at once with the file descriptors this
// process may have: each device's thread and port need a few. The soft limit
// is raised to the hard one first. 0 when not even one device can be served,
// with *why saying so.
int devicesAtOnce(int wanted, QString *why);

// Runs the jobs, each on a thread of its own, at most atOnce at a time, and
// returns when all have ended. A stop request stops every running job after
// its current command and keeps the rest from starting; *interrupted tells.
// On a terminal a progress line shows each device's phase and rows.
void runJobs(const Jobs &jobs, int atOnce, StopSignal &stop, Console &console, bool *interrupted);
