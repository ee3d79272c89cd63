# Sourced by the scripts that install what they need, on Debian 12:
#   install_groups [APT-OPTION...] GROUP...       the packages of those groups of packages.txt
#   install_missing [APT-OPTION...] PACKAGE...    those packages
# Only the packages that are not installed yet are installed (the package lists refreshed first),
# as root or through sudo. Nothing happens when all are there, so scripts may call it on every run.
# A dpkg run that was cut short is finished first, as apt would otherwise refuse to install anything.
ARMWRIGHT_PACKAGES="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/packages.txt"

# Prints the packages of GROUP, one a line, those of the groups it takes in first; fails on a group
# that packages.txt does not have.
packages_of() {
    local line word
    line="$(awk -v group="$1" '
        /^[[:space:]]*(#|$)/ { next }
        /^[^[:space:]]/ {
            on = substr($0, 1, index($0, ":") - 1) == group
            if (on) { found = 1; sub(/^[^:]*:/, "") }
        }
        on { print }
        END { exit !found }' "$ARMWRIGHT_PACKAGES")" || {
        echo "installing: no group \"$1\" in $ARMWRIGHT_PACKAGES" >&2
        return 1
    }
    # Package names hold no blanks or wildcards: the line splits into them as it is.
    for word in $line; do
        if [[ "$word" == @* ]]; then
            packages_of "${word#@}" || return 1
        else
            echo "$word"
        fi
    done
}

install_groups() {
    local options=() packages=() group list
    while (($#)) && [[ "$1" == -* ]]; do
        options+=("$1")
        shift
    done
    for group in "$@"; do
        list="$(packages_of "$group")" || return 1
        packages+=($list)
    done
    # A package that two groups name once.
    install_missing "${options[@]}" $(printf '%s\n' "${packages[@]}" | awk '!seen[$0]++')
}

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
