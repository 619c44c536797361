# bash completion for pellucor-cli: commands, their options and arguments, and the
# --KEY=VALUE settings keys.

_pellucor_cli() {
  local commands="run view history check patrol update settings extract help"
  local keys="url1 url2 from to ip port timeout retry outfile log bbs_file out_file read maxmsg
    topictofilename devide devidecnt proxy error devidekind devidedatekind devidefilesize
    createtitleindex nooutblank"
  local cur prev command="" i word
  # Read the words from the line itself, so that "=" splits nothing whatever COMP_WORDBREAKS says.
  local line=${COMP_LINE:0:COMP_POINT}
  local -a words
  read -r -a words <<<"$line"
  [[ $line == *[[:space:]] ]] && words+=("")
  cur=${words[${#words[@]} - 1]}
  prev=""
  ((${#words[@]} > 1)) && prev=${words[${#words[@]} - 2]}
  for ((i = 1; i < ${#words[@]} - 1; i++)); do
    word=${words[i]}
    if [[ $word == --home ]]; then
      ((i++))
    elif [[ $word != -* && -z $command ]]; then
      command=$word
    fi
  done

  local -a replies=()
  if [[ $prev == --home ]]; then
    mapfile -t replies < <(compgen -d -- "$cur")
  elif [[ $cur == --*=* ]]; then
    local key=${cur%%=*} value=${cur#*=}
    key=${key#--}
    case $key in
      log | read | maxmsg | topictofilename | devide | createtitleindex | nooutblank)
        mapfile -t replies < <(compgen -W "0 1" -- "$value") ;;
      proxy | error | devidekind | devidedatekind | charchange)
        mapfile -t replies < <(compgen -W "0 1 2" -- "$value") ;;
      outfile | home | bbs_file | out_file) mapfile -t replies < <(compgen -f -- "$value") ;;
      select) mapfile -t replies < <(compgen -W "all" -- "$value") ;;
    esac
    # Bash completes only the part after "=" when "=" breaks words; else the whole word.
    if [[ $COMP_WORDBREAKS != *=* ]]; then
      for i in "${!replies[@]}"; do replies[i]="--$key=${replies[i]}"; done
    fi
  elif [[ $cur == -* ]]; then
    local options="--home --yes --no --quiet --help --version"
    case $command in
      view) options+=" --open" ;;
      update) options+=" --select" ;;
      extract) options+=" --charchange=" ;;
      check | patrol) options+=" --all --wait=" ;;
      run) options+=" --wait=" ;;
    esac
    for word in $keys; do options+=" --$word="; done
    mapfile -t replies < <(compgen -W "$options" -- "$cur")
    ((${#replies[@]} == 1)) && [[ ${replies[0]} == *= ]] && compopt -o nospace 2>/dev/null
  elif [[ -z $command ]]; then
    mapfile -t replies < <(compgen -W "$commands" -- "$cur")
  else
    case $command in
      history)
        if [[ $prev == history ]]; then
          mapfile -t replies < <(compgen -W "list show delete comment set patrol" -- "$cur")
        elif [[ ${words[${#words[@]} - 3]} == patrol ]]; then
          mapfile -t replies < <(compgen -W "on off" -- "$cur")
        fi ;;
      update)
        if [[ $prev == --select ]]; then
          mapfile -t replies < <(compgen -W "all" -- "$cur")
        elif [[ $prev == update ]]; then
          mapfile -t replies < <(compgen -W "bbs out both" -- "$cur")
        fi ;;
      help)
        [[ $prev == help ]] && mapfile -t replies < <(compgen -W "$commands" -- "$cur") ;;
      extract) mapfile -t replies < <(compgen -f -- "$cur") ;;
    esac
  fi
  COMPREPLY=("${replies[@]}")
}

complete -F _pellucor_cli pellucor-cli
