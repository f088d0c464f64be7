#!/bin/sh
# Runs a browser test (view/view_browser_test.py, plot/plot_browser_test.py) with
# Debian's Python, Chromium and its WebDriver. Without them it is skipped
# (status 77), except in CI (CI=true), where a missing piece is a failure.
#   browser_test.sh TEST.py ARGS...
here=$(dirname "$0")
missing=""
[ -x /usr/bin/chromium ] || missing="$missing chromium"
[ -x /usr/bin/chromedriver ] || missing="$missing chromium-driver"
/usr/bin/python3 -c 'import selenium' 2>/dev/null || missing="$missing python3-selenium"
if [ -n "$missing" ]; then
  echo "missing:$missing (make deps installs them)"
  if [ "$CI" = true ]; then exit 1; fi
  exit 77
fi
test=$1
shift
exec /usr/bin/python3 "$here/$test" "$@"
