# shellcheck shell=bash disable=SC2034  # (sets variables for the scripts that source it)
# The desktop keyring for end-to-end runs: a private session bus with a real gnome-keyring on
# it, its "login" keyring made and unlocked at start. Source after lib.sh; call keyring_start
# after e2e_start_x (prompts the keyring might show would go to that display) and after
# XDG_DATA_HOME is set: the keyring's files go to $XDG_DATA_HOME/keyrings.
#
# The program keeps an account's passwords as one item with the attributes
# server=yorumi-livedoor and user=KEY_PREFIX/ID (QtKeychain's way of naming its items), labelled
# "ヨルミ＠ライブドア: ID", and while it keeps them there, an item user=KEY_PREFIX beside them.
#
# Variables set for the caller:
#   KEYRING_PID  the keyring daemon (its output goes to the LOG given to keyring_start)
#   KEY_PREFIX   the part of the item's user attribute before "/ID"

KEYRING_SERVICE=yorumi-livedoor
KEY_PREFIX=YRMLD

# The settings window's その他(&O) menu opened on パスワードをキーリングに保存, the fourth entry
# from its end (after it come ログインが切れたら..., a separator, インポート and エクスポート), ready
# for Return: the window is brought up from the tray first when hidden. Alt+O opens the menu on
# its first entry, Up wraps to the last and passes over separators. While passwords move, the window takes no
# input for a moment after its last visible change: Alt+O is pressed again until the menu opens,
# for at most 10 s.
keyring_open_entry() {
    local win before deadline
    if [ -z "$(e2e_settings_window)" ]; then
        e2e_open_menu 3 && e2e_keys Down Down Down Down Return
        e2e_wait_popups_closed
        e2e_wait_for 5 e2e_settings_shown || { e2e_log "the settings window did not show"; return 1; }
    fi
    win=$(e2e_settings_window)
    before=$(e2e_popups)
    deadline=$(($(e2e_now_ms) + 10000))
    while :; do
        # No window manager runs: the window is given the keyboard focus directly.
        xdotool windowfocus --sync "$win" || return 1
        e2e_keys alt+o
        e2e_wait_new_popup "$before" 1 && break
        [ "$(e2e_now_ms)" -lt "$deadline" ] || { e2e_log "その他(&O) did not open"; return 1; }
    done
    e2e_keys Up Up Up Up
    sleep 0.1
}
# keyring_start LOG: the bus (exported as DBUS_SESSION_BUS_ADDRESS) and the keyring daemon,
# whose output goes to LOG; returns once the daemon serves the Secret Service.
keyring_start() {
    KEYRING_LOG=$1
    : >"$KEYRING_LOG"
    # QtKeychain would prefer KWallet on a desktop that calls itself KDE.
    unset XDG_CURRENT_DESKTOP KDE_SESSION_VERSION KDE_FULL_SESSION DESKTOP_SESSION GNOME_KEYRING_CONTROL
    e2e_start_session_bus || return 1
    # The password of the keyring itself, made up for this run.
    KEYRING_PASSWORD=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
    keyring_daemon
}

keyring_daemon() {
    # --unlock reads the password from stdin (and makes the keyring on the first start).
    printf '%s' "$KEYRING_PASSWORD" |
        gnome-keyring-daemon --foreground --unlock --components=secrets >>"$KEYRING_LOG" 2>&1 &
    KEYRING_PID=$!
    E2E_PIDS+=("$KEYRING_PID")
    # Until the daemon owns the name, a call to the Secret Service would make the bus start a
    # second daemon of its own (D-Bus activation), with no login keyring.
    e2e_wait_for 10 keyring_serving || { e2e_log "gnome-keyring-daemon did not start"; return 1; }
}

# Locks the login keyring, as a desktop does on a lock of the screen (no prompt).
keyring_lock() {
    dbus-send --session --print-reply --dest=org.freedesktop.secrets /org/freedesktop/secrets \
        org.freedesktop.Secret.Service.Lock array:objpath:/org/freedesktop/secrets/collection/login >/dev/null
}

# Unlocks it as a person does: the password typed into the desktop's prompt, which a search
# for the program's items with --unlock brings up.
keyring_unlock() {
    local search
    secret-tool search --unlock server "$KEYRING_SERVICE" >/dev/null 2>&1 &
    search=$!
    e2e_wait_for 10 keyring_prompt_shown || { e2e_log "no unlock prompt"; e2e_stop "$search"; return 1; }
    xdotool windowfocus --sync "$(keyring_prompt)" &&
        xdotool type --delay 20 "$KEYRING_PASSWORD" && xdotool key Return
    e2e_wait_exit "$search" 10 || { e2e_stop "$search"; return 1; }
}

# The desktop's prompt to unlock the keyring (gcr-prompter, on the test's display).
keyring_prompt() { xdotool search --onlyvisible --name '^Unlock Login Keyring$' 2>/dev/null | head -n1; }
keyring_prompt_shown() { [ -n "$(keyring_prompt)" ]; }

# Succeeds when someone owns org.freedesktop.secrets (the question starts no service).
keyring_serving() {
    dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q true
}

# keyring_holds ID TEXT: the item of ID exists and its secret contains TEXT.
keyring_holds() {
    [[ $(secret-tool lookup server "$KEYRING_SERVICE" user "$KEY_PREFIX/$1" 2>/dev/null) == *"$2"* ]]
}

# keyring_label_is ID LABEL: the item of ID is labelled LABEL (its secret is not printed).
keyring_label_is() {
    secret-tool search --all server "$KEYRING_SERVICE" user "$KEY_PREFIX/$1" 2>&1 | grep -qxF "label = $2"
}

# keyring_has_entry ID: the keyring has an item for ID (whatever its secret).
keyring_has_entry() {
    secret-tool search --all server "$KEYRING_SERVICE" user "$KEY_PREFIX/$1" 2>&1 |
        grep -q '^attribute\.user = '
}

# The number of the accounts' items in the keyring (user KEY_PREFIX/ID).
keyring_entry_count() {
    secret-tool search --all server "$KEYRING_SERVICE" 2>&1 | grep -c "^attribute\.user = $KEY_PREFIX/"
}

# The number of all the program's items in the keyring, the accounts' and any other (the mark
# that the keyring holds the passwords, user KEY_PREFIX).
keyring_item_count() {
    secret-tool search --all server "$KEYRING_SERVICE" 2>&1 | grep -c '^attribute\.user = '
}
