#pragma once
// Who made a shared section. Velmora makes "LibOrvaneMemBlock",
// "LibOrvaneMarks" and their kin of every level it serves (hook/Levels.h) with
// a descriptor of its own: owned by and open to this process's user alone, and
// labelled at the section's level with no write up and no read up (the
// block's secret is the proof of a request's level). Every side, Velmora
// and the hook library inside other programs, trusts a section only when its
// owner is its own process's user and its label is not below the level it is
// read at: a section that another user or a lower level made first is never
// used. Plain Win32 (kernel32 and advapi32), no heap and no C++ runtime: the
// library includes it.
#include <windows.h>

#include "hook/Levels.h"
#include "hook/Owners.h"

namespace velmora {

// The user and the integrity level of this process, read from its token.
struct OwnTokenFacts {
  union {
    TOKEN_USER user;
    BYTE userBytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  };
  union {
    TOKEN_MANDATORY_LABEL label;
    BYTE labelBytes[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  };
  DWORD integrity;  // the label's RID: 0x2000 medium, 0x3000 high, ...

  PSID User() { return user.User.Sid; }
  PSID Label() { return label.Label.Sid; }

  // False when the token cannot be read.
  bool Read() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return false;
    const UniqueHandle token(opened);
    DWORD size = 0;
    const bool read = GetTokenInformation(opened, TokenUser, userBytes, sizeof userBytes, &size) &&
                      GetTokenInformation(opened, TokenIntegrityLevel, labelBytes, sizeof labelBytes, &size) &&
                      IsValidSid(User()) && IsValidSid(Label()) && *GetSidSubAuthorityCount(Label()) > 0;
    if (read) integrity = *GetSidSubAuthority(Label(), *GetSidSubAuthorityCount(Label()) - 1u);
    return read;
  }
};

// The RID of the integrity label in a security descriptor's SACL; an object
// without a label counts as medium, as Windows counts it.
inline DWORD LabelLevel(PSECURITY_DESCRIPTOR descriptor) {
  BOOL present = FALSE, defaulted = FALSE;
  PACL sacl = nullptr;
  if (!GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted) || !present || sacl == nullptr)
    return SECURITY_MANDATORY_MEDIUM_RID;
  for (DWORD i = 0; i < sacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(sacl, i, reinterpret_cast<void**>(&ace)) || ace->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) continue;
    const PSID sid = &reinterpret_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace)->SidStart;
    if (!IsValidSid(sid) || *GetSidSubAuthorityCount(sid) == 0) return 0;
    return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
  }
  return SECURITY_MANDATORY_MEDIUM_RID;
}

// The section (a handle with READ_CONTROL) is owned by this process's user and
// labelled at level or above. A section without an owner (Wine keeps none for a
// section made with the default security) is not trusted.
inline bool SectionTrusted(HANDLE section, DWORD level) {
  OwnTokenFacts own;
  if (!own.Read()) return false;
  union {
    SECURITY_DESCRIPTOR_RELATIVE header;
    BYTE bytes[1024];
  } descriptor;
  DWORD needed = 0;
  if (!GetKernelObjectSecurity(section, OWNER_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION, &descriptor,
                               sizeof descriptor, &needed))
    return false;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!GetSecurityDescriptorOwner(&descriptor, &owner, &defaulted) || owner == nullptr || !IsValidSid(owner) ||
      !EqualSid(owner, own.User()))
    return false;
  return LabelLevel(&descriptor) >= level;
}

// Makes the named section of size bytes with Velmora's descriptor, labelled at
// level (at most this process's own), or opens the one of that name that
// exists (GetLastError() is ERROR_ALREADY_EXISTS then, and its own descriptor
// stays: check it with SectionTrusted). Null on failure, with GetLastError().
inline HANDLE CreateOwnSection(const char* name, unsigned long long size, DWORD level) {
  OwnTokenFacts own;
  if (!own.Read()) return nullptr;
  SID label{SID_REVISION, 1, SECURITY_MANDATORY_LABEL_AUTHORITY, {level < own.integrity ? level : own.integrity}};
  union {
    ACL acl;
    BYTE bytes[sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE];
  } dacl, sacl;
  SECURITY_DESCRIPTOR descriptor;
  const bool made =
      InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
      SetSecurityDescriptorOwner(&descriptor, own.User(), FALSE) &&
      // This user alone; nothing inherited.
      InitializeAcl(&dacl.acl, sizeof dacl, ACL_REVISION) &&
      AddAccessAllowedAce(&dacl.acl, ACL_REVISION, GENERIC_ALL, own.User()) &&
      SetSecurityDescriptorDacl(&descriptor, TRUE, &dacl.acl, FALSE) &&
      SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
      // Reading and writing only from the section's level up.
      InitializeAcl(&sacl.acl, sizeof sacl, ACL_REVISION) &&
      AddMandatoryAce(&sacl.acl, ACL_REVISION, 0,
                      SYSTEM_MANDATORY_LABEL_NO_WRITE_UP | SYSTEM_MANDATORY_LABEL_NO_READ_UP, &label) &&
      SetSecurityDescriptorSacl(&descriptor, TRUE, &sacl.acl, FALSE);
  if (!made) return nullptr;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  return CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, static_cast<DWORD>(size >> 32),
                            static_cast<DWORD>(size), name);
}

}  // namespace velmora
