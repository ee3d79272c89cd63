# Sourced by the set-up scripts: install_missing [APT-OPTION...] PACKAGE... installs, on Debian 12,
# those of the packages that are not installed yet (the package lists refreshed first), as root or
# through sudo. Nothing happens when all are there, so scripts may call it on every run. A dpkg run
# that was cut short is finished first, as apt would otherwise refuse to install anything.
install_missing() {
    local options=() missing=() package
    while (($#)) && [[ "$1" == -* ]]; do
        options+=("$1")
        shift
    done
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    ((${#missing[@]})) || return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # apt's "dpkg was interrupted" is a journal left in updates/; --audit names packages left
    # unpacked or half configured.
    if [ -n "$(find /var/lib/dpkg/updates -mindepth 1 -maxdepth 1 -name '[0-9]*' 2>/dev/null)" ] ||
        [ -n "$(dpkg --audit 2>/dev/null)" ]; then
        echo "installing: dpkg was interrupted; finishing its run with dpkg --configure -a" >&2
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" dpkg --configure -a >&2
    fi
    echo "installing: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -q >&2
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${options[@]}" "${missing[@]}" >&2
}
