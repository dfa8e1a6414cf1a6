#!/usr/bin/env python3
"""Makes the template Wine prefix that every Windows test of this run copies."""
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import wine  # noqa: E402

wine.make_template()
print("template prefix ready:", wine.TEMPLATE)
