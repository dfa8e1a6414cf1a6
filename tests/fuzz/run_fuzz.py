#!/usr/bin/env python3
"""Runs the libFuzzer targets listed in fuzz/targets.json (cmake/fuzz.cmake).

  run_fuzz.py TARGETS.json --smoke NAME
      a short deterministic run from the seeds (ctest: fuzz.NAME.smoke); what
      it finds goes to a scratch corpus
  run_fuzz.py TARGETS.json --seconds N --corpus DIR [NAME...]
      each target (default: all) for N seconds; its corpus stays in DIR/NAME

A target's seeds are files, folders or globs; they are gathered into one
folder beside the fuzzers, since libFuzzer reads folders. Inputs that crash a
target are kept in fuzz-crashes/ beside the corpus (beside the fuzzers for a
smoke run)."""
import argparse
import glob
import json
import shutil
import subprocess
import sys
from pathlib import Path

SMOKE_RUNS = 4000


def gather_seeds(name, target, fuzz_dir):
    folder = fuzz_dir / f"seeds-{name}"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for seed in target["seeds"]:
        paths = [Path(p) for p in sorted(glob.glob(seed))]
        if not paths:
            print(f"{name}: seed {seed} is missing", file=sys.stderr)
        for path in paths:
            files = sorted(p for p in path.iterdir() if p.is_file()) if path.is_dir() else [path]
            for f in files:
                shutil.copyfile(f, folder / f"{f.parent.name}-{f.name}")
    return folder


def run(name, target, fuzz_dir, corpus, crashes, options):
    seeds = gather_seeds(name, target, fuzz_dir)
    corpus.mkdir(parents=True, exist_ok=True)
    crashes.mkdir(parents=True, exist_ok=True)
    command = [target["fuzzer"], f"-max_len={target['max_len']}", f"-artifact_prefix={crashes}/{name}-", *options,
               str(corpus), str(seeds)]
    print(" ".join(command), flush=True)
    return subprocess.run(command).returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("targets")
    parser.add_argument("names", nargs="*")
    parser.add_argument("--smoke")
    parser.add_argument("--seconds", type=int)
    parser.add_argument("--corpus")
    args = parser.parse_intermixed_args()
    targets_file = Path(args.targets)
    targets = json.loads(targets_file.read_text())
    fuzz_dir = targets_file.parent
    if args.smoke:
        corpus = fuzz_dir / f"smoke-corpus-{args.smoke}"
        shutil.rmtree(corpus, ignore_errors=True)
        return run(args.smoke, targets[args.smoke], fuzz_dir, corpus, fuzz_dir / "smoke-crashes",
                   ["-seed=1", f"-runs={SMOKE_RUNS}"])
    if not args.seconds or not args.corpus:
        parser.error("--smoke NAME, or --seconds N --corpus DIR")
    failed = []
    for name in args.names or targets:
        corpus = Path(args.corpus)
        if run(name, targets[name], fuzz_dir, corpus / name, corpus.parent / "fuzz-crashes",
               [f"-max_total_time={args.seconds}"]):
            failed.append(name)
    if failed:
        print("crashed: " + ", ".join(failed), file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
