#!/usr/bin/env bash
# Times parvex-cli writing the PDF and the .xlsx of a generated 100,000-row x 6 table, and
# LibreOffice converting that same .xlsx to PDF, side by side in one run; reports the times,
# the ratio against LibreOffice and the peak memory of the PDF at two table sizes (flat in the
# number of pages).
#
#   bench/print.sh BUILD_DIR            (build first: cmake --build BUILD_DIR)
#
# BENCH_WORK names a directory for the files (default: a temporary one, removed afterwards).
set -euo pipefail

build=${1:?usage: bench/print.sh BUILD_DIR}
cli=$build/src/cli/parvex-cli
gen=$build/bench/parvex-gen-table
for tool in "$cli" "$gen"; do
  [ -x "$tool" ] || { echo "print.sh: $tool is missing; build $build first" >&2; exit 2; }
done
command -v soffice >/dev/null || { echo "print.sh: soffice is missing (libreoffice-calc)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "print.sh: /usr/bin/time is missing (package time)" >&2; exit 2; }

if [ -n "${BENCH_WORK:-}" ]; then
  work=$BENCH_WORK
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

# seconds CMD... (run as "seconds ... >FILE"): wall time of one run; peak RSS (KiB) in
# $work/time.txt.
seconds() {
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o "$work/time.txt" "$@" >/dev/null 2>&1
  end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

"$gen" 100000 6 42 >"$work/t100k.txt"
"$gen" 10000 6 42 >"$work/t10k.txt"

pdf_s=$(seconds "$cli" -q --no-key --pdf "$work/parvex.pdf" "$work/t100k.txt"); read -r pdf_rss <"$work/time.txt"
xlsx_s=$(seconds "$cli" -q --no-key --xlsx "$work/parvex.xlsx" "$work/t100k.txt")
soffice_s=$(seconds soffice -env:UserInstallation=file://"$work/profile" --headless --convert-to pdf \
  --outdir "$work/office" "$work/parvex.xlsx")
small_s=$(seconds "$cli" -q --no-key --pdf "$work/small.pdf" "$work/t10k.txt"); read -r small_rss <"$work/time.txt"
pages=$(pdfinfo "$work/parvex.pdf" | awk '/^Pages:/ { print $2 }')
office_pages=$(pdfinfo "$work/office/parvex.pdf" | awk '/^Pages:/ { print $2 }')

printf '100,000 rows x 6, --no-key, A4, 10 pt\n'
printf '  parvex-cli --pdf   %6s s  %5s pages  peak %6d MB\n' "$pdf_s" "$pages" $((pdf_rss / 1024))
printf '  parvex-cli --xlsx  %6s s\n' "$xlsx_s"
printf '  soffice xlsx->pdf  %6s s  %5s pages\n' "$soffice_s" "$office_pages"
awk -v p="$pdf_s" -v s="$soffice_s" 'BEGIN { printf "  PDF / LibreOffice   %.3fx (goal at most 0.05x)\n", p / s }'
printf '10,000 rows: --pdf %s s, peak %d MB (memory flat in pages: compare with the above)\n' \
  "$small_s" $((small_rss / 1024))
