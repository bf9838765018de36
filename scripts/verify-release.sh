#!/usr/bin/env bash
# Checks a release bundle against the history you trust, without its maker:
#   scripts/verify-release.sh [--trust REF] [--allow-older] [--signer SHA256] BUNDLE
# BUNDLE is a tarnwick-VERSION folder made by release.sh, from anyone. Only a commit reachable
# from REF (default: the branch checked out here) is rebuilt, from this repository, in a clean
# clone and a clean environment, and every file is compared. A signed executable is compared
# after its signature is attached to the rebuild; the signer and the timestamp are shown, and
# a signature without a valid timestamp is refused. --signer requires the maker's certificate.
# The exit code is the verdict: 0 reproduced, 1 not (the cause is named), 2 a wrong command.
# For a signature from a private CA, TARNWICK_SIGN_CA_FILE and TARNWICK_SIGN_TSA_CA_FILE name
# the certificates to verify it against. Details: scripts/verify_release.py.
exec /usr/bin/python3 "$(dirname "$0")/verify_release.py" "$@"
