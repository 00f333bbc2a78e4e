# t44_ctl_rows ROWS CTL SIMCTL FRAMELOG TMP
# Runs the rows of ROWS (see ctl_rows.txt) with the command prefix CTL (halvex-t44ctl and
# its options), sending "sim" rows through the prefix SIMCTL, and prints one line per row:
#   ctl-row N ok|FAIL|skip SHA ROW
# where SHA stands for the frames the keyboard logged in FRAMELOG during the row. The
# user's folders (XDG_CONFIG_HOME, XDG_DATA_HOME) are fresh ones under TMP, so files a
# row leaves behind are the same on both sides.
# Plain POSIX sh: it runs under busybox in the virtual machine and under bash on the host.
t44_ctl_rows() {
    _rows=$1 _ctl=$2 _simctl=$3 _log=$4 _tmp=$5
    XDG_CONFIG_HOME="$_tmp/config" XDG_DATA_HOME="$_tmp/data"
    export XDG_CONFIG_HOME XDG_DATA_HOME
    _commands=$($_ctl --help 2>&1 < /dev/null)
    _n=0
    while IFS= read -r _line; do
        case "$_line" in '' | '#'*) continue ;; esac
        _n=$((_n + 1))
        _before=$(wc -l < "$_log")
        case "$_line" in
        'sim '*)
            if $_simctl ${_line#sim } < /dev/null; then _status=ok; else _status=FAIL; fi
            echo "ctl-row $_n $_status - $_line"
            continue ;;
        esac
        _code=${_line%% *}
        _rest=${_line#* }
        _args=$(printf '%s\n' "${_rest%% | *}" | sed "s|@TMP@|$_tmp|g")
        _expect=${_rest#* | }
        _name=${_args%% *}
        if ! printf '%s\n' "$_commands" | grep -q "^  $_name "; then
            echo "ctl-row $_n skip - $_line"
            continue
        fi
        _out=$($_ctl $_args 2>&1 < /dev/null)
        _rc=$?
        _sha=$(tail -n +$((_before + 1)) "$_log" | sha256sum | cut -c1-16)
        if [ "$_rc" = "$_code" ] && printf '%s\n' "$_out" | grep -Eq -- "$_expect"; then
            _status=ok
        else
            _status=FAIL
        fi
        echo "ctl-row $_n $_status $_sha $_line"
        [ "$_status" = ok ] || printf '%s\n' "exit $_rc" "$_out" | sed 's/^/    | /'
    done < "$_rows"
}
