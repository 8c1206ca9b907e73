#!/usr/bin/env bash
# Writes the reference files under tests/reference/ anew from the fixture database: run it after a
# deliberate change of an export, and explain every changed file in the commit.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build --target test_tools vorn telmod
VORN_REGENERATE_REFERENCES=1 QT_QPA_PLATFORM=offscreen build/bin/test_tools --gtest_filter='Screens/ReferenceTest.*:Reports/PrintReferenceTest.*'
git status --short tests/reference
