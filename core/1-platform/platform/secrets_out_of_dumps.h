#pragma once

namespace kestrin {

// The programs hold the FTP password and the passphrase in memory for as long as they run.
// Called first thing in main: from then on no core dump of the process is written, and on
// Linux no other process of the same user may read its memory (ptrace, /proc/PID/mem), as
// ssh-agent does. On Windows the process no longer hands a crash to Windows Error Reporting,
// which would write its memory to a dump file; a debugger of the same user can still read it.
void KeepSecretsOutOfDumps();

}  // namespace kestrin
