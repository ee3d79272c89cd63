# Sourced by the set-up scripts: install_missing [APT-OPTION...] PACKAGE... installs, on Debian 12,
# those of the packages that are not installed yet (the package lists refreshed first), as root or
# through sudo. Nothing happens when all are there, so scripts may call it on every run.
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
    echo "installing: ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -q >&2
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${options[@]}" "${missing[@]}" >&2
}
