# Sourced by the install tests: a temporary folder removed on exit, and fail MESSAGE.
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "$(basename "$0" .sh): $*" >&2
  exit 1
}
