#!/usr/bin/env bash
# format.sh [--check]: formats every C++ file of the tree in place with the
# style in .clang-format. With --check it changes nothing and fails, naming
# each file that is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format > /dev/null; then
  echo "clang-format is missing (scripts/install-deps.sh installs it)" >&2
  exit 2
fi
dirs=()
for d in client server list protocol gfx platform tools tests bench data; do
  [ -d "$d" ] && dirs+=("$d")
done
mapfile -t files < <(find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [ "${1:-}" != --check ]; then
  clang-format -i "${files[@]}"
  echo "formatted ${#files[@]} files"
  exit 0
fi
status=0
report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1) || status=$?
mapfile -t unformatted < <(printf '%s\n' "$report" |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "These ${#unformatted[@]} files are not formatted as .clang-format says (run make format):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
if [ $status -ne 0 ]; then
  # clang-format failed for another reason (an unreadable .clang-format, say).
  printf '%s\n' "$report" >&2
  exit $status
fi
echo "all ${#files[@]} C++ files are formatted"
