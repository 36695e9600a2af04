#!/bin/sh
# Every C++ file we write is clang-formatted.
set -eu
cd "$1"
files=$(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
clang-format --dry-run --Werror $files
echo "formatted: $(echo "$files" | wc -w) files"
