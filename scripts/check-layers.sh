#!/usr/bin/env bash
# Fails when a folder of src includes a header of a folder above it, which is also the only way two
# folders can come to include each other. Headers are included by bare name and found through the
# build's include folders, so a name is looked up in the folder that holds it; a name held by two
# folders, or a folder missing from the table, fails too, since either would hide an arrow.
# Usage: check-layers.sh [source folder]   (default: the src beside this script; the tests give a copy)
set -euo pipefail
src=${1:-"$(dirname "$0")/../src"}
src=${src%/}

# The folders from the bottom up. A file may include headers of its own folder and of the folders
# listed before it, never of one listed after it.
layers=(
  model     # the document model, QtCore only
  platform  # stand-ins for the platform's services: ini files, dialogs, images, shell
  settings  # the program's settings file
  engine    # our layer over the browser engine
  formats   # containers, templates, icon packs, the word list
  controls  # widgets that know no main window
  buttons   # the button image generator
  design    # the design filter and the design view
  tools     # the Objects palette and the tag tools
  app       # the main window, its dialogs, docks, file manager and printing
  datagen   # build-time programs that draw the data files; nothing of the program includes them
)

declare -A rank=() home=() arrows=()
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done
status=0
Fail() { echo "check-layers: $*" >&2; status=1; }

for dir in "$src"/*/; do
  folder=$(basename "$dir")
  [[ -v rank[$folder] ]] || Fail "src/$folder is not in the table of layers in $0"
done

while IFS= read -r header; do
  name=${header##*/}
  folder=${header#"$src"/}
  folder=${folder%%/*}
  if [[ -v home[$name] && ${home[$name]} != "$folder" ]]; then
    Fail "$name is a header of both src/${home[$name]} and src/$folder"
  fi
  home[$name]=$folder
done < <(find "$src" -mindepth 2 -name '*.h' | sort)

checked=0
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)"'
while IFS= read -r found; do
  file=${found%%:*}
  rest=${found#*:}
  number=${rest%%:*}
  line=${rest#*:}
  folder=${file#"$src"/}
  folder=${folder%%/*}
  [[ -v rank[$folder] && $line =~ $pattern ]] || continue
  name=${BASH_REMATCH[1]##*/}
  [[ -v home[$name] ]] || continue  # not ours (a library's header)
  target=${home[$name]}
  checked=$((checked + 1))
  [[ $target == "$folder" ]] && continue
  arrows[$folder:$target]=1
  if ((rank[$target] > rank[$folder])); then
    Fail "src/${file#"$src"/}:$number includes $name of src/$target, a folder above src/$folder"
  fi
done < <(find "$src" -mindepth 2 -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -print0 | sort -z |
         xargs -0 grep -nE "$pattern" /dev/null)

for arrow in "${!arrows[@]}"; do
  from=${arrow%%:*}
  to=${arrow#*:}
  if [[ $from < $to && -v arrows[$to:$from] ]]; then
    Fail "src/$from and src/$to include each other"
  fi
done

if ((status == 0)); then
  echo "check-layers: ${#layers[@]} folders, $checked includes of our own headers, none upward"
fi
exit $status
