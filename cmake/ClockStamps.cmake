# For build scripts (cmake -P) that overwrite in a tool's output what the tool took from the clock or made up
# at random, where the tool has no option to choose it. Values are written as they stand in the file:
# little-endian numbers, single-byte text. Needs perl (and GNU date): the script gets it as -DPERL=<perl>.

# Every date text is read and written in the C locale: the tools print English names whatever the build's
# locale, and the text written over theirs must have the same length.
set(ENV{LC_ALL} C)

# seconds_of(<variable> <date text>): the seconds since 1970 of a date as a tool printed it in UTC.
function(seconds_of variable text)
    execute_process(COMMAND date -u -d "${text}" +%s OUTPUT_VARIABLE seconds OUTPUT_STRIP_TRAILING_WHITESPACE
                    COMMAND_ERROR_IS_FATAL ANY)
    set(${variable} ${seconds} PARENT_SCOPE)
endfunction()

# little_endian_hex(<variable> <number> <bytes>): the number's bytes, lowest first, as hex digits.
function(little_endian_hex variable number bytes)
    math(EXPR number "${number}" OUTPUT_FORMAT HEXADECIMAL)
    string(REPLACE "0x" "0000000000000000" number ${number})
    set(hex)
    foreach(byte RANGE 1 ${bytes})
        string(REGEX REPLACE "^.*(..)$" "\\1" last ${number})
        string(REGEX REPLACE "..$" "" number ${number})
        string(APPEND hex ${last})
    endforeach()
    set(${variable} ${hex} PARENT_SCOPE)
endfunction()

function(text_hex variable text)
    string(HEX "${text}" hex)
    set(${variable} ${hex} PARENT_SCOPE)
endfunction()

# replace_bytes(<file> <old hex> <new hex> <count>...): replaces byte strings of equal length in the file,
# each of which must stand there exactly <count> times.
function(replace_bytes file)
    execute_process(COMMAND ${PERL} -e [=[
        my $file = shift;
        open(my $handle, '+<:raw', $file) or die "$file: $!";
        my $data = do { local $/; <$handle> };
        while (my ($old, $new, $count) = splice(@ARGV, 0, 3)) {
            ($old, $new) = (pack('H*', $old), pack('H*', $new));
            my $found = () = $data =~ /\Q$old\E/g;
            die "$file: differing lengths\n" unless length($old) == length($new);
            die "$file: found $found times, not $count\n" unless $found == $count;
            $data =~ s/\Q$old\E/$new/g;
        }
        seek($handle, 0, 0);
        print $handle $data;
        close($handle) or die "$file: $!";
    ]=] ${file} ${ARGN} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
