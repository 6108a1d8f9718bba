"""A small typed client of the package, checked with mypy --strict: verify a signed checkpoint."""

import sys

import silvantrope_log as sl


def verify(checkpoint_file: str, keys_file: str) -> sl.CheckpointHead:
    with open(keys_file, encoding="utf-8") as f:
        keys = [line for line in f.read().splitlines() if line and not line.startswith("#")]
    with open(checkpoint_file, encoding="utf-8") as f:
        return sl.checkpoint_verify(f.read(), keys)


if __name__ == "__main__":
    try:
        head = verify(*sys.argv[1:3])
    except sl.VerifyError as e:
        sys.exit(f"invalid: {e}")
    size: int = head.size
    print(head.origin, size, head.root.hex())
