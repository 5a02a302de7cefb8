"""What several test files share: running Python code in a child process,
for a test that measures the memory of a call or must not take the machine
with it when it fails."""

import os
import resource
import subprocess
import sys

import pytest

# The sanitized run loads ASan into the interpreter, which reserves terabytes
# of address space for itself: no address-space limit can hold it, and its
# resident figures are not the module's.
UNDER_ASAN = "libasan" in os.environ.get("LD_PRELOAD", "")


# Code for a child to start with: `measured(call)` runs `call` and gives its
# result (or the MemoryError it raised) and the memory it added at its peak,
# in bytes. Linux only: the peak is reset through /proc/self/clear_refs.
MEASURED = r"""
def kb(field):
    with open("/proc/self/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith(field))
def measured(call):
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")  # the peak starts again from here
    before = kb("VmRSS:")
    try:
        out = call()
    except MemoryError as e:
        out = e
    return out, (kb("VmHWM:") - before) * 1024
"""

CAN_MEASURE = os.access("/proc/self/clear_refs", os.W_OK)


class Child:
    under_asan = UNDER_ASAN
    can_measure = CAN_MEASURE
    measured = MEASURED

    def run(self, code, *args, address_space=None, timeout=120):
        """Runs `code` with `args` in a fresh interpreter that imports the
        same module, under an address-space limit in bytes when one is
        given; the finished process. Under ASan, which no address-space
        limit can hold, the limit is one of resident memory, which ASan
        keeps by ending the process."""
        env = os.environ.copy()
        if address_space and UNDER_ASAN:
            env["ASAN_OPTIONS"] = f"{env.get('ASAN_OPTIONS', '')}:hard_rss_limit_mb={address_space >> 20}"

        def limit():
            resource.setrlimit(resource.RLIMIT_AS, (address_space, address_space))
        return subprocess.run([sys.executable, "-c", code, *args], capture_output=True, text=True,
                              timeout=timeout, env=env,
                              preexec_fn=limit if address_space and not UNDER_ASAN else None)


@pytest.fixture
def child():
    return Child()
