#!/usr/bin/env python3
"""Runs a command once and prints how many microseconds it took.

    time_run.py STDERR-FILE COMMAND [ARGUMENT...]

The command is timed from its start to its end by this waiting parent and
nothing else, so that a short run is not swamped by the timing: taking the
time with `date` before and after counts the start of `date` as well,
several milliseconds. Its output is dropped, its errors go to STDERR-FILE;
the exit code is the command's. (Its peak memory is not told: a child
counts its parent's memory as its own until it starts the command.)
"""
import os
import sys
import time

devnull = os.open(os.devnull, os.O_RDWR)
errors = os.open(sys.argv[1], os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
actions = [(os.POSIX_SPAWN_DUP2, devnull, 1), (os.POSIX_SPAWN_DUP2, errors, 2)]
start = time.perf_counter()
pid = os.posix_spawnp(sys.argv[2], sys.argv[2:], os.environ, file_actions=actions)
_, status = os.waitpid(pid, 0)
end = time.perf_counter()
code = os.waitstatus_to_exitcode(status)
if code != 0:
    sys.exit(code)
print(round((end - start) * 1e6))
