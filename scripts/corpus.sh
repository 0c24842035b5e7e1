#!/usr/bin/env bash
# Assembles the corpus of real documentation pages from Debian's documentation packages (installing the
# ones missing), one folder per generator with each package's copyright file beside its pages, and runs
# the long open-and-save check over it, then counts the words whose formatting or link the saves changed,
# reading each page and its saved copy as a browser does (scripts/word-formatting.py).
#
# Usage: scripts/corpus.sh [CORPUS_DIR] [--no-check]
#   CORPUS_DIR defaults to build/corpus. The benchmarks find the pages there too (CORVALITE_CORPUS).
set -euo pipefail
cd "$(dirname "$0")/.."
corpus="${1:-build/corpus}"
check=1
[ "${2:-}" = "--no-check" ] && check=0

packages=(python3.11-doc postgresql-doc-15 git-doc libstdc++-12-doc debian-reference-en debian-reference-ja
          debian-reference-zh-cn rust-doc libxslt1-dev zlib1g-dev python3-html5lib)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

rm -rf "$corpus"
mkdir -p "$corpus"

# take GENERATOR PACKAGE COUNT LARGEST DIR [find arguments...]: COUNT pages spread evenly over the sorted
# list of DIR's pages, plus its LARGEST largest ones; the package's copyright file goes beside them.
take() {
  local generator=$1 package=$2 count=$3 largest=$4 dir=$5
  shift 5
  local out="$corpus/$generator"
  mkdir -p "$out"
  cp "/usr/share/doc/$package/copyright" "$out/$package-copyright.txt"
  local list
  list=$(cd "$dir" && find -L . -type f -name '*.html' -size +1k "$@" | sed 's|^\./||' | LC_ALL=C sort)
  local total
  total=$(printf '%s\n' "$list" | grep -c . || true)
  [ "$total" -gt 0 ] || { echo "no pages in $dir" >&2; exit 1; }
  {
    printf '%s\n' "$list" | awk -v n="$count" -v t="$total" 'BEGIN { step = t / n; if (step < 1) step = 1 }
      { if (NR - 1 >= next_pick) { print; next_pick += step } }'
    if [ "$largest" -gt 0 ]; then
      (cd "$dir" && find -L . -type f -name '*.html' "$@" -printf '%s %P\n' | LC_ALL=C sort -n |
        tail -n "$largest" | cut -d' ' -f2-)
    fi
  } | LC_ALL=C sort -u | while read -r page; do
    cp "$dir/$page" "$out/$package-$(printf '%s' "$page" | tr '/' '_')"
  done
}

take sphinx python3.11-doc 45 3 /usr/share/doc/python3.11/html -not -path './_static/*'
take docbook postgresql-doc-15 40 3 /usr/share/doc/postgresql-doc-15/html
take asciidoc git-doc 40 3 /usr/share/doc/git-doc -maxdepth 1
take doxygen libstdc++-12-doc 35 3 /usr/share/doc/libstdc++-12-doc/libstdc++
take docbook-xsl debian-reference-en 16 0 /usr/share/debian-reference -name '*.en.html'
take mdbook rust-doc 35 2 /usr/share/doc/rust-doc/html \( -path './book/*' -o -path './reference/*' \
  -o -path './nomicon/*' -o -path './rust-by-example/*' -o -path './edition-guide/*' -o -path './rustc/*' \
  -o -path './embedded-book/*' -o -path './unstable-book/*' \)
take rustdoc rust-doc 35 2 /usr/share/doc/rust-doc/html \( -path './std/*' -o -path './core/*' -o -path './alloc/*' \)
cp /usr/share/doc/rust-doc/html/std/ffi/index.html "$corpus/rustdoc/rust-doc-std_ffi_index.html"

# Legacy pages: the 8-bit pages Debian still ships, and Japanese and Chinese pages of the reference put
# into the multi-byte character sets such pages were written in before UTF-8 (the declaration changed
# with them).
legacy="$corpus/legacy"
mkdir -p "$legacy"
cp /usr/share/doc/libxslt1-dev/copyright "$legacy/libxslt1-dev-copyright.txt"
cp /usr/share/doc/zlib1g-dev/copyright "$legacy/zlib1g-dev-copyright.txt"
cp /usr/share/doc/debian-reference-ja/copyright "$legacy/debian-reference-copyright.txt"
for page in index.html FAQ.html intro.html tutorial/libxslt_tutorial.html html/libxslt-transform.html; do
  [ -f "/usr/share/doc/libxslt1-dev/html/$page" ] &&
    cp "/usr/share/doc/libxslt1-dev/html/$page" "$legacy/libxslt1-dev-$(printf '%s' "$page" | tr '/' '_')"
done
cp /usr/share/doc/zlib1g-dev/examples/zlib_how.html "$legacy/zlib1g-dev-zlib_how.html"
recode() { # SOURCE CHARSET TARGET
  sed -E "s/charset=UTF-8/charset=$2/I; s/encoding=\"UTF-8\"/encoding=\"$2\"/I" "$1" | iconv -c -f UTF-8 -t "$2" > "$3"
}
recode /usr/share/debian-reference/ch01.ja.html EUC-JP "$legacy/debian-reference-ch01.ja.euc-jp.html"
recode /usr/share/debian-reference/ch02.ja.html SHIFT_JIS "$legacy/debian-reference-ch02.ja.shift_jis.html"
recode /usr/share/debian-reference/ch01.zh-cn.html GB18030 "$legacy/debian-reference-ch01.zh-cn.gb18030.html"
recode /usr/share/debian-reference/ch03.zh-cn.html GBK "$legacy/debian-reference-ch03.zh-cn.gbk.html"

pages=$(find "$corpus" -name '*.html' | wc -l)
bytes=$(find "$corpus" -name '*.html' -printf '%s\n' | awk '{ s += $1 } END { print s }')
echo "corpus: $pages pages, $((bytes / 1048576)) MB in $corpus"

if [ "$check" -eq 1 ]; then
  [ -x build/core_tests ] || cmake --build build --target core_tests
  saved="$corpus-saved"
  rm -rf "$saved"
  CORVALITE_CORPUS="$corpus" CORVALITE_CORPUS_SAVED="$saved" build/core_tests --gtest_filter='HtmlFilterCorpus.*'
  scripts/word-formatting.py "$corpus" "$saved"
fi
