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


class Child:
    under_asan = UNDER_ASAN

    def run(self, code, *args, address_space=None, timeout=120):
        """Runs `code` with `args` in a fresh interpreter that imports the
        same module, under an address-space limit in bytes when one is
        given; the finished process."""
        def limit():
            resource.setrlimit(resource.RLIMIT_AS, (address_space, address_space))
        return subprocess.run([sys.executable, "-c", code, *args], capture_output=True, text=True,
                              timeout=timeout, env=os.environ.copy(),
                              preexec_fn=limit if address_space else None)


@pytest.fixture
def child():
    return Child()
