# shellcheck shell=bash disable=SC2034  # (sets variables for the scripts that source it)
# The fake portal for end-to-end runs: a test certificate authority trusted in the current
# $HOME's browser certificate store, the HTTPS fake portal on 127.0.0.1, and the browser
# engine's host mapping. Source after lib.sh, call after e2e_init and e2e_sandbox.
#
# Variables set for the caller:
#   PORTAL_LOG   the requests the portal received, one JSON line each
#   PORTAL_PORT  its port

# portal_start: certificates, nssdb and the server; exports the engine's flags.
portal_start() {
    local dir="$E2E_TMP/portal" hosts="member.livedoor.com www.livedoor.com"
    mkdir -p "$dir" "$HOME/.pki/nssdb"
    printf 'subjectAltName=DNS:member.livedoor.com,DNS:www.livedoor.com\nbasicConstraints=CA:FALSE\n' >"$dir/leaf.ext"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
        -subj "/CN=yorumi e2e authority" -keyout "$dir/ca.key" -out "$dir/ca.pem" >/dev/null 2>&1 &&
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=member.livedoor.com" \
        -keyout "$dir/leaf.key" -out "$dir/leaf.csr" >/dev/null 2>&1 &&
    openssl x509 -req -in "$dir/leaf.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" -CAcreateserial \
        -days 2 -extfile "$dir/leaf.ext" -out "$dir/leaf.pem" >/dev/null 2>&1 &&
    certutil -N -d "sql:$HOME/.pki/nssdb" --empty-password >/dev/null 2>&1 &&
    certutil -A -d "sql:$HOME/.pki/nssdb" -n yorumi-e2e -t "C,," -i "$dir/ca.pem" >/dev/null 2>&1 ||
        { e2e_log "certificates could not be made"; return 1; }

    # The server reads commands from a fifo that this shell keeps open.
    mkfifo "$dir/control"
    PORTAL_LOG="$dir/requests"
    python3 "$E2E_LIB_DIR/../web/fakeportal.py" --cert "$dir/leaf.pem" --key "$dir/leaf.key" \
        <"$dir/control" >"$PORTAL_LOG" 2>/dev/null &
    E2E_PIDS+=("$!")
    exec {PORTAL_CONTROL}>"$dir/control"
    e2e_wait_for 10 grep -q '^PORT ' "$PORTAL_LOG" || { e2e_log "fake portal did not start"; return 1; }
    PORTAL_PORT=$(sed -n 's/^PORT //p' "$PORTAL_LOG")

    local rules="" host
    for host in $hosts; do rules+="MAP $host 127.0.0.1:$PORTAL_PORT, "; done
    export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --host-resolver-rules=\"${rules}EXCLUDE localhost\" --disable-gpu --disable-background-networking"
    return 0
}

# portal_send ACK COMMAND: sends COMMAND to the portal and waits until the portal has
# answered this one with "ack ACK" (not an earlier one alike).
portal_send() {
    local before
    before=$(grep -c "^ack $1\$" "$PORTAL_LOG")
    echo "$2" >&"$PORTAL_CONTROL"
    e2e_wait_for 5 portal_acked "$1" "$before"
}
# portal_variant NAME: switches the login page the portal serves.
portal_variant() { portal_send "$1" "variant $1"; }
portal_acked() { [ "$(grep -c "^ack $1\$" "$PORTAL_LOG")" -gt "$2" ]; }

# portal_expire ACCOUNT: the portal forgets the account's sessions (its pages under /members/
# go to the login form from now on).
portal_expire() { portal_send "expire $1" "expire $1"; }

# portal_count EVENT PATH: how many such requests arrived.
portal_count() {
    grep -c "\"event\": \"$1\".*\"path\": \"$2\"" "$PORTAL_LOG" || true
}

# portal_save_log DEST: keeps the portal's record of requests as an artefact, with the
# passwords of the forms it received left out.
portal_save_log() {
    [ -n "${PORTAL_LOG:-}" ] && [ -f "$PORTAL_LOG" ] || return 0
    python3 - "$PORTAL_LOG" >"$1" <<'PY'
import json, sys
for line in open(sys.argv[1], errors="replace"):
    if line.startswith("{"):
        event = json.loads(line)
        if "fields" in event:
            event["fields"] = [[name, "(hidden)" if "password" in name else value]
                               for name, value in event["fields"]]
        line = json.dumps(event, ensure_ascii=True) + "\n"
    sys.stdout.write(line)
PY
}
