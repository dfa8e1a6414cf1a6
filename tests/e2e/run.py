#!/usr/bin/env python3
"""End-to-end driver: `run.py --list` names the scenarios, `run.py NAME` runs
one in a fresh prefix (kept under build/test-prefix/ when it fails)."""
import importlib
import sys
import traceback
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "harness"))
sys.path.insert(0, str(HERE))

from scenario import REGISTRY, SkipScenario  # noqa: E402

for module in sorted(HERE.glob("test_*.py")):
    importlib.import_module(module.stem)


def main(argv):
    if len(argv) == 2 and argv[1] == "--list":
        print("\n".join(sorted(REGISTRY)))
        return 0
    if len(argv) != 2 or argv[1] not in REGISTRY:
        print("usage: run.py --list | run.py SCENARIO", file=sys.stderr)
        return 2
    import wine
    name = argv[1]
    fn = REGISTRY[name]
    w = wine.Wine("e2e-" + name, display=fn.display)
    ok = False
    skipped = None
    try:
        fn(w)
        ok = True
    except SkipScenario as skip:
        ok, skipped = True, skip
    except Exception:
        traceback.print_exc()
        with_display = w.xvfb is not None
        if with_display:
            print("screenshot:", w.screenshot("failure"))
        print("prefix kept:", w.dir)
    finally:
        w.close(keep=not ok)
    if skipped:
        print(f"SKIPPED {name}: {skipped}")
        return 0
    print("PASS" if ok else "FAIL", name)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
