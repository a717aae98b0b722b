#!/bin/bash
# Authors the discs the run and command-line tests convert: author_test_discs.sh MAKE_TEST_DVD FOLDER
set -euo pipefail
make=$1
folder=$2
rm -rf "$folder"
mkdir -p "$folder"
for kind in ntsc pal long edge; do "$make" "$folder/$kind" "$kind" >/dev/null; done
