# The build's own install record ($build/install_manifest.txt): its inode,
# size, time and hash, or "absent", so that a test can find it unchanged.
manifest_state() {
  if [ -e "$build/install_manifest.txt" ]; then
    stat -c '%i %s %Y' "$build/install_manifest.txt"
    sha256sum <"$build/install_manifest.txt"
  else
    echo absent
  fi
}
