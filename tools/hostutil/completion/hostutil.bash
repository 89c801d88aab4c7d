# bash completion of hostutil: subcommands and options as the host's own --help lists them.
_hostutil() {
  local cur=${COMP_WORDS[COMP_CWORD]} help
  if [ "$COMP_CWORD" -eq 1 ]; then
    help=$("${COMP_WORDS[0]}" --help 2>/dev/null)
  else
    help=$("${COMP_WORDS[0]}" "${COMP_WORDS[1]}" --help 2>/dev/null)
  fi
  local words
  words=$(sed -n -e '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p' \
                 -e 's/^  \(-[a-z],\)\{0,1\}\(--[a-z][a-z0-9-]*\).*/\2/p' <<<"$help")
  if [[ $cur == -* || $COMP_CWORD -eq 1 ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
  else
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
}
complete -F _hostutil hostutil
