#!/usr/bin/env bash
# One-off move of the test suites so that tests/ mirrors src/: a suite lives in the folder of
# the code it tests. Run once from a clean checkout, then build and run ctest, then commit.
#   tests/base      -> tests/common (texts, date-times, Format, exceptions)
#                      tests/platform (code pages, the file system)
#   tests/dispatch  -> tests/entry (the export creator's settings and the dispatch)
#                      tests/reports (fuel-name replacement, the dataset copy)
#   tests/exports   -> tests/reports (the exports and their harness)
# The test targets keep their names and libraries; the two split targets get a second one.
# Every file of a split folder must be named below: the script stops, changing nothing, when
# it finds one that is not (add it to the lists and run again).
set -euo pipefail
cd "$(dirname "$0")/.."

base_to_common=(text_test.cpp date_time_test.cpp format_text_test.cpp exceptions_test.cpp)
base_to_platform=(code_page_test.cpp file_system_test.cpp)
dispatch_to_entry_unit=(export_settings_test.cpp)
dispatch_to_reports_unit=(replace_fuel_names_test.cpp copy_dataset_test.cpp)
dispatch_to_entry_library=(dispatch_library_test.cpp export_directory_test.cpp)

fail() { echo "mirror_tests: $*" >&2; exit 1; }

[ -d tests/base ] && [ -d tests/dispatch ] && [ -d tests/exports ] || fail "already mirrored?"
[ ! -e tests/reports ] || fail "tests/reports exists already"
git diff --quiet HEAD -- tests || fail "tests/ has uncommitted changes"

# The LIBS of one kvr_add_test block (the words after LIBS up to LABELS or the closing ')').
libs_of() {  # file target
  awk -v t="$2" '
    $0 ~ "kvr_add_test\\(" t "([ )]|$)" { on = 1 }
    on { text = text " " $0 }
    on && /\)/ { on = 0 }
    END {
      sub(/.*LIBS[ \t]+/, "", text); sub(/[ \t]*(LABELS.*)?\).*/, "", text)
      gsub(/[ \t]+/, " ", text); print text
    }' "$1"
}
labels_of() {  # file target
  awk -v t="$2" '
    $0 ~ "kvr_add_test\\(" t "([ )]|$)" { on = 1 }
    on { text = text " " $0 }
    on && /\)/ { on = 0 }
    END { if (text ~ /LABELS/) { sub(/.*LABELS[ \t]+/, "", text); sub(/\).*/, "", text); print text } }
  ' "$1"
}

# Every file in the split folders is accounted for.
check_all_named() {  # folder names...
  local dir="$1"; shift
  local f name known
  for f in "$dir"/*; do
    name="$(basename "$f")"
    [ "$name" = CMakeLists.txt ] && continue
    known=0
    for k in "$@"; do [ "$k" = "$name" ] && known=1; done
    [ "$known" -eq 1 ] || fail "$dir/$name is in no list of this script"
  done
}
check_all_named tests/base "${base_to_common[@]}" "${base_to_platform[@]}"
check_all_named tests/dispatch "${dispatch_to_entry_unit[@]}" "${dispatch_to_reports_unit[@]}" \
  "${dispatch_to_entry_library[@]}"
grep -c kvr_add_test tests/base/CMakeLists.txt | grep -qx 1 || fail "tests/base has more than one target"
grep -c kvr_add_test tests/dispatch/CMakeLists.txt | grep -qx 2 || fail "tests/dispatch changed its targets"

base_libs="$(libs_of tests/base/CMakeLists.txt base_tests)"
unit_libs="$(libs_of tests/dispatch/CMakeLists.txt dispatch_unit_tests)"
unit_labels="$(labels_of tests/dispatch/CMakeLists.txt dispatch_unit_tests)"
library_libs="$(libs_of tests/dispatch/CMakeLists.txt dispatch_library_tests)"
library_labels="$(labels_of tests/dispatch/CMakeLists.txt dispatch_library_tests)"
[ -n "$base_libs" ] && [ -n "$unit_libs" ] && [ -n "$library_libs" ] || fail "cannot read the LIBS"

# tests/exports becomes tests/reports whole, its CMakeLists.txt included.
git mv tests/exports tests/reports

for f in "${base_to_common[@]}"; do git mv "tests/base/$f" tests/common/; done
for f in "${base_to_platform[@]}"; do git mv "tests/base/$f" tests/platform/; done
for f in "${dispatch_to_entry_unit[@]}" "${dispatch_to_entry_library[@]}"; do
  git mv "tests/dispatch/$f" tests/entry/
done
for f in "${dispatch_to_reports_unit[@]}"; do git mv "tests/dispatch/$f" tests/reports/; done
git rm -q tests/base/CMakeLists.txt tests/dispatch/CMakeLists.txt

block() {  # target labels libs sources...
  local target="$1" labels="$2" libs="$3"; shift 3
  printf '\nkvr_add_test(%s\n  SOURCES %s\n  LIBS %s' "$target" "$*" "$libs"
  [ -z "$labels" ] || printf ' LABELS %s' "$labels"
  printf ')\n'
}
{
  printf '\n# Windows-1251 texts, date-times, Format and the exceptions.'
  block common_tests "" "$base_libs" "${base_to_common[@]}"
} >> tests/common/CMakeLists.txt
{
  printf '\n# Code pages and the file system.'
  block platform_tests "" "$base_libs" "${base_to_platform[@]}"
} >> tests/platform/CMakeLists.txt
{
  printf '\n# The export creator'"'"'s settings and host options, with the static libraries linked in.'
  block dispatch_unit_tests "$unit_labels" "$unit_libs" "${dispatch_to_entry_unit[@]}"
  printf '\n# Report calls through the built library loaded with dlopen (the export tests'"'"' harness).'
  block dispatch_library_tests "$library_labels" "$library_libs" "${dispatch_to_entry_library[@]}"
} >> tests/entry/CMakeLists.txt
{
  printf '\n# Fuel-name replacement and the dataset copy, with the static libraries linked in.'
  block reports_unit_tests "$unit_labels" "$unit_libs" "${dispatch_to_reports_unit[@]}"
} >> tests/reports/CMakeLists.txt
git add tests/common/CMakeLists.txt tests/platform/CMakeLists.txt tests/entry/CMakeLists.txt \
  tests/reports/CMakeLists.txt

# Documents that name the old folders.
for doc in README.md src/*/README.md helper/README.md; do
  [ -f "$doc" ] || continue
  sed -i -e 's#tests/exports#tests/reports#g' -e 's#tests/dispatch#tests/entry#g' \
    -e 's#tests/base#tests/common#g' "$doc"
  git add "$doc"
done

echo "tests/ now mirrors src/; build, run ctest, then commit."
git status --short tests | sed 's/^/  /'
