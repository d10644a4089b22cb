# Sourced by the scripts in scripts/: installs the Debian packages given that
# are not installed yet, through sudo when not root. Waits for another apt or
# dpkg run to let go of the lock rather than failing at once.

# What building and running the window takes: the compiler, Qt, and the
# font and Chinese Qt texts the window is drawn with; gettext's msgfmt,
# which compiles qzslice-cli's Chinese catalog; and the engine's mount table
# (libmount) and a volume's file-system type (libudev, libblkid), found
# through pkg-config.
# shellcheck disable=SC2034  # used by the scripts that source this file
window_packages=(cmake g++ make gettext pkgconf libicu-dev libssl-dev libmount-dev libblkid-dev
                 libudev-dev qt6-base-dev qt6-translations-l10n fonts-wqy-microhei)
install_missing() {
  local missing=() p sudo=()
  for p in "$@"; do
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
}
