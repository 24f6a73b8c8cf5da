#!/bin/sh
# Reads back the package's tables as a validation run would:
#   check-tables.sh <msiinfo> <package>
# An older version is removed inside the installation's transaction; every action follows its component's
# action state; immediate actions carry no no-impersonation flag; versioned files have no hash; a component
# whose key path is its folder creates it; Add/Remove Programs offers no modification; the feature cannot be
# advertised.
msiinfo=$1 package=$2
status=0
table() { "$msiinfo" export "$package" "$1" | tail -n +4 | tr -d '\r'; }
check() { # <what> <expected> <actual>
    if [ "$2" = "$3" ]; then
        echo "ok:     $1"
    else
        printf 'FAILED: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
        status=1
    fi
}
sequence=$(table InstallExecuteSequence | sort -t "$(printf '\t')" -k3,3n)
check "RemoveExistingProducts right after InstallInitialize" "RemoveExistingProducts" \
      "$(echo "$sequence" | cut -f1 | grep -A1 -x InstallInitialize | tail -n 1)"
# Each action whose condition does not end in its component's state: Stop... the service's removal,
# Unregister... the DLL's removal, Register... the DLL's installation, StartService the service's.
check "actions conditioned on their component's action state" "" \
      "$(echo "$sequence" | awk -F '\t' '
          $1 ~ /^StopService/ { want = "$TellmarkSvc=2" }
          $1 ~ /^(Rollback)?UnregisterVoltwise/ { dll = $1; sub(/^(Rollback)?Unregister/, "", dll); sub(/(Machine|User)$/, "", dll)
                              want = "$" dll "=2" }
          $1 ~ /^(Rollback)?RegisterVoltwise/ { dll = $1; sub(/^(Rollback)?Register/, "", dll); sub(/(Machine|User)$/, "", dll)
                                        want = "$" dll ">2" }
          $1 == "StartService" { want = "$TellmarkSvc>2" }
          want != "" && index($2, want) == 0 { print $1 ": " $2 }
          { want = "" }')"
check "immediate property actions without the no-impersonation flag" "" \
      "$(table CustomAction | awk -F '\t' '$2 % 64 == 51 && int($2 / 2048) % 2 == 1 { print $1 }')"
versioned=$(table File | awk -F '\t' '$5 != "" { print $1 }')
check "no hash of a versioned file" "" \
      "$(table MsiFileHash | awk -F '\t' -v files="$versioned" 'index("\n" files "\n", "\n" $1 "\n") { print $1 }')"
folders=$(table CreateFolder | awk -F '\t' '{ print $2 "\t" $1 }')
check "a component without a key file creates its folder, its key path" "" \
      "$(table Component | awk -F '\t' -v folders="$folders" '$6 == "" && !index("\n" folders "\n", "\n" $1 "\t" $3 "\n") { print $1 }')"
check "files in US English" "" "$(table File | awk -F '\t' '$6 != "1033" { print $1 }')"
check "ARPNOMODIFY" "1" "$(table Property | awk -F '\t' '$1 == "ARPNOMODIFY" { print $2 }')"
check "the feature cannot be advertised" "" \
      "$(table Feature | awk -F '\t' 'int($8 / 8) % 2 == 0 { print $1 }')"
exit $status
