// Whom Brisko trusts with what it reads back as an administrator: the owners and access lists
// of its folder, its saved files and its machine-wide lock, judged from the facts the wrappers
// read through the handle in use. Portable, so that every decision is tested on fakes.
#pragma once

#include <string>

#include "platform/os.h"

namespace platform {

// Whether the account this process runs as may be trusted like the administrators: where its
// token is not split (2000 and XP, UAC switched off, the built-in Administrator, SYSTEM), all of
// its processes have its full rights; where it is (Vista and later), its unelevated processes
// would control whatever it owns. On Wine every process of the Unix account has the same
// rights, whatever its token says, so it counts as not split.
bool ProcessUserTrusted(const AccountFacts& account);

// SYSTEM and the Administrators group always; the account this process runs as when
// ProcessUserTrusted.
bool TrustedPrincipal(Principal who, const AccountFacts& account);

// Empty when nobody but a trusted principal may add, replace, delete or rename what is in a
// folder, or change its owner or access list; else who may, in words for a report. Facts from
// a file system that keeps no access lists are not judged here.
std::string UntrustedWriter(const SecurityFacts& facts, const AccountFacts& account);

// The owner in words, for a report: "SYSTEM", "the Administrators group", "S-1-5-21-...".
std::string OwnerName(const SecurityFacts& facts);

}  // namespace platform
