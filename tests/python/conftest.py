# The programs of the build under test, named by ctest (python/CMakeLists.txt).
import os
import subprocess
from pathlib import Path

import pytest

SOURCE_DIR = Path(os.environ.get("BRANCHRANKER_SOURCE_DIR", Path(__file__).parents[2]))


def run_program(args, timeout=300):
    """Runs a program in a session of its own (no terminal), within a time limit."""
    return subprocess.run([str(a) for a in args], capture_output=True, text=True,
                          timeout=timeout, start_new_session=True)


@pytest.fixture(scope="session")
def cli():
    return os.environ["BRANCHRANKER_CLI"]


@pytest.fixture(scope="session")
def gennet():
    return os.environ["BRANCHRANKER_GENNET"]
