#!/usr/bin/env bash
# Run by test.sh inside the second Wine's root (second-wine.sh), on the route test.sh took:
# the built tests of the shipped program, in a fresh prefix of that Wine.
set -uo pipefail
source "$(dirname "$0")/build.sh"
source "$ROOT/scripts/wine-prefix.sh"
enter_wine_route
echo "The second Windows: $("$WINELOADER" --version)"
trap end_session EXIT
start_session "$(mktemp -d)"
status=0
ctest --test-dir "$ROOT/build/e2e-$TARNWICK_ARCH" --output-on-failure \
    -R "^(NoticeWindow|Link|LaunchFailure|ErrorReport|Startup|Keyboard|Accessibility|UiAutomation|UiaProvider)$" ||
    status=1
platform_notes "$ROOT/build/e2e-$TARNWICK_ARCH"
echo "At other dpi:"
dpi_tests "$ROOT/build/e2e-$TARNWICK_ARCH" || status=1
exit $status
