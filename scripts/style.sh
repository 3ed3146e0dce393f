#!/usr/bin/env bash
# The house style, checked:  scripts/style.sh BUILD [JOBS]
#   every C and C++ source of the tree formatted as .clang-format says (clang-format), and
#   host/ and tools/ free of what .clang-tidy looks for (clang-tidy, with the compile commands of
#   BUILD, a build configured by CMake, which writes BUILD/compile_commands.json).
# Exits non-zero naming each file that is not formatted and each finding.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:?usage: scripts/style.sh BUILD [JOBS]}"
jobs="${2:-$(nproc 2>/dev/null || echo 2)}"
cd "$root"

# The tree's own sources: those git knows of, or in a copy without git every one outside builds.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
else
  mapfile -t sources < <(find . -path './build*' -prune -o -path './web/node_modules' -prune -o \
    -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | sort)
fi

status=0
unformatted=()
for f in "${sources[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "style: not formatted as .clang-format says (clang-format -i FILE... formats them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  status=1
fi

# Only the files the build compiles: a source for another platform (module_loader_win32.cpp) has
# no compile command here.
commands="$build/compile_commands.json"
[ -f "$commands" ] || { echo "style: $commands is missing: configure $build first" >&2; exit 1; }
mapfile -t checked < <(python3 - "$commands" "$root" <<'EOF'
import json, os, sys
root = os.path.realpath(sys.argv[2])
files = {os.path.relpath(os.path.realpath(e["file"]), root) for e in json.load(open(sys.argv[1]))}
print("\n".join(sorted(f for f in files if f.split("/")[0] in ("host", "tools") and f.count("/") == 1)))
EOF
)
# GCC's options that clang does not know are left alone: the checks are clang-tidy's, not the
# warnings.
if ! printf '%s\n' "${checked[@]}" | xargs -P "$jobs" -n 2 clang-tidy -p "$build" --quiet \
    --extra-arg=-Wno-unknown-warning-option --extra-arg=-Wno-ignored-optimization-argument \
    2>/dev/null >"$build/clang-tidy.txt"; then
  grep -E ': (warning|error): ' "$build/clang-tidy.txt" | sort -u >&2 || cat "$build/clang-tidy.txt" >&2
  echo "style: clang-tidy found the above in host/ or tools/ (its full report: $build/clang-tidy.txt)" >&2
  status=1
fi
[ $status -eq 0 ] && echo "style: ${#sources[@]} files formatted; ${#checked[@]} files of host/ and tools/ without findings" >&2
exit $status
