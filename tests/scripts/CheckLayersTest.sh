#!/usr/bin/env bash
# The layer check on throwaway copies of src: the tree as it is passes, and each wrong arrow put into a
# copy fails it with a message naming the arrow. A check that never fails would let the folders grow
# back into each other unnoticed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
check="$root/scripts/check-layers.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

Expect() {  # Expect <pass|fail> <text the messages must hold> <what the case is>; the copy is $scratch/src
  local want=$1 text=$2 what=$3 output rc
  output=$(bash "$check" "$scratch/src" 2>&1)
  rc=$?
  if [[ $want == pass && $rc -ne 0 ]] || [[ $want == fail && $rc -eq 0 ]]; then
    echo "FAILED: $what: expected the check to $want, it exited $rc:"$'\n'"$output"
    failures=$((failures + 1))
  elif [[ $output != *"$text"* ]]; then
    echo "FAILED: $what: the check's output lacks \"$text\":"$'\n'"$output"
    failures=$((failures + 1))
  fi
}
Fresh() { rm -rf "$scratch/src" && cp -r "$root/src" "$scratch/src"; }

Fresh
Expect pass "none upward" "the tree as it is"

Fresh
sed -i '1i #include "UnitMain.h"' "$scratch/src/design/HtmlDesignerTemplate.cpp"
Expect fail "src/design/HtmlDesignerTemplate.cpp:1 includes UnitMain.h of src/app" "the design view including the main window"

Fresh
sed -i '3a #  include "../tools/ToolScript.h"  // indented, with a path' "$scratch/src/controls/SynUtils.cpp"
Expect fail "src/controls and src/tools include each other" "a control including a tag tool that includes it"

Fresh
echo '// #include "UnitMain.h" in a comment is no include' >> "$scratch/src/model/HtmlNodes.h"
Expect pass "none upward" "an include inside a comment"

Fresh
mkdir "$scratch/src/extras" && echo '#include "HtmlNodes.h"' > "$scratch/src/extras/Extra.cpp"
Expect fail "src/extras is not in the table" "a folder the table does not place"

Fresh
cp "$scratch/src/model/AsciiCase.h" "$scratch/src/app/AsciiCase.h"
Expect fail "AsciiCase.h is a header of both" "one header name in two folders"

if ((failures > 0)); then
  echo "$failures case(s) of the layer check failed"
  exit 1
fi
echo "the layer check passes the tree and catches each wrong arrow"
