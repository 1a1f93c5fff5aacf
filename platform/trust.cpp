// Trust decisions from owners and access lists. Deny entries are not weighed against allow
// entries: a list that allows someone else to write is refused even where a deny entry would
// win, which can only make Brisko stricter.
#include "platform/trust.h"

#include "platform/system_constants.h"

namespace platform {
namespace {

// The rights with which someone could put a file of their own where Brisko reads, take one of
// Brisko's away or swap the folder itself: add a file or folder, delete or rename what is in it
// or the folder, change its access list or owner.
constexpr std::uint32_t kChangingRights = kFileAddFile | kFileAddSubdirectory | kFileDeleteChild |
                                          kDelete | kWriteDac | kWriteOwner | kGenericAll |
                                          kGenericWrite;

std::string Name(Principal who, const std::string& sid) {
  switch (who) {
    case Principal::kNone:
      return "nobody";
    case Principal::kSystem:
      return "SYSTEM";
    case Principal::kAdministrators:
      return "the Administrators group";
    case Principal::kProcessUser:
      return "the account Brisko runs as (" + sid + ")";
    case Principal::kOther:
      break;
  }
  return sid.empty() ? "an unknown account" : sid;
}

}  // namespace

bool ProcessUserTrusted(const AccountFacts& account) {
  if (account.wine) return true;
  switch (account.elevationQuery) {
    case RuntimeCall::kMissing:  // before Vista: one token
      return true;
    case RuntimeCall::kFailed:  // cannot tell: as if split
      return false;
    case RuntimeCall::kSucceeded:
      break;
  }
  return account.elevationType == kTokenElevationTypeDefault;
}

bool TrustedPrincipal(Principal who, const AccountFacts& account) {
  return who == Principal::kSystem || who == Principal::kAdministrators ||
         (who == Principal::kProcessUser && ProcessUserTrusted(account));
}

std::string UntrustedWriter(const SecurityFacts& facts, const AccountFacts& account) {
  if (!facts.listPresent) return "everyone (it has no access list)";
  for (const AccessGrant& grant : facts.grants) {
    if ((grant.rights & kChangingRights) != 0 && !TrustedPrincipal(grant.who, account)) {
      return Name(grant.who, grant.sid);
    }
  }
  return {};
}

std::string OwnerName(const SecurityFacts& facts) { return Name(facts.owner, facts.ownerSid); }

}  // namespace platform
