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
user="NoticeWindow|Link|LaunchFailure|ErrorReport|Startup|Keyboard|UiaProvider"
readers="Accessibility|UiAutomation"
if [ "$TARNWICK_ROUTE" = emulated ]; then
    # Wine 10 reads the 32-bit program under qemu far better than Wine 8, but not every time:
    # with one core busy, a 32-bit reader reading it waited for ever. So readers read the
    # x86-64 build here too, as in test.sh.
    TARNWICK_READERS_ELSEWHERE=1 ctest --test-dir "$ROOT/build/e2e-i686" --output-on-failure \
        -R "^($user)$" || status=1
    platform_notes "$ROOT/build/e2e-i686"
    echo "What a reader does: the x86-64 build, which runs natively here"
    ctest --test-dir "$ROOT/build/e2e-x86_64" --output-on-failure \
        -R "^(Link|LaunchFailure|$readers)$" || status=1
    platform_notes "$ROOT/build/e2e-x86_64"
else
    ctest --test-dir "$ROOT/build/e2e-$TARNWICK_ARCH" --output-on-failure \
        -R "^($user|$readers)$" || status=1
    platform_notes "$ROOT/build/e2e-$TARNWICK_ARCH"
fi
echo "At other dpi:"
dpi_tests "$ROOT/build/e2e-$TARNWICK_ARCH" || status=1
exit $status
