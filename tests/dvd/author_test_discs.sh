#!/bin/bash
# Authors the discs the disc layer tests play: author_test_discs.sh MAKE_TEST_DVD FOLDER
set -euo pipefail
make=$1
folder=$2
rm -rf "$folder"
mkdir -p "$folder"
"$make" --iso "$folder/ntsc" ntsc
"$make" --iso "$folder/pal" pal
"$make" "$folder/loop" loop
"$make" "$folder/edge" edge
