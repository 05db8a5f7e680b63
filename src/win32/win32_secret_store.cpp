#include "win32/win32_secret_store.h"

#include <windows.h>
#include <wincred.h>

#include <cstdio>
#include <optional>

namespace kestrel {

namespace {

// Where a split secret's parts are: their generation and how many there are, the first (the
// credential itself) counted.
struct Parts {
    unsigned generation = 0;
    unsigned count = 1;
};

std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::wstring Target(const std::string& name) {
    return L"kestrel:" + Wide(name);
}

std::wstring PartTarget(const std::string& name, unsigned generation, unsigned part) {
    return Target(name) + L":" + std::to_wstring(generation) + L":" + std::to_wstring(part);
}

SecretReply Failure(DWORD error) {
    if (error == ERROR_NOT_FOUND)
        return {SecretAnswer::NotFound, {}, {}};
    char words[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   words, sizeof words, nullptr);
    std::string said = words;
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r' || said.back() == '.'))
        said.pop_back();
    if (said.empty())
        said = "error " + std::to_string(error);
    const bool noStore = error == ERROR_NO_SUCH_LOGON_SESSION;
    return {noStore ? SecretAnswer::NoStore : SecretAnswer::Refused, {}, said};
}

struct Read {
    std::string blob;
    std::wstring comment;
};

std::optional<Read> ReadCredential(const std::wstring& target, DWORD& error) {
    PCREDENTIALW credential = nullptr;
    if (!CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &credential)) {
        error = GetLastError();
        return std::nullopt;
    }
    Read read;
    read.blob.assign(reinterpret_cast<const char*>(credential->CredentialBlob),
                     credential->CredentialBlobSize);
    if (credential->Comment)
        read.comment = credential->Comment;
    CredFree(credential);
    return read;
}

bool WriteCredential(const std::wstring& target, std::string_view blob,
                     const std::wstring& comment) {
    CREDENTIALW credential = {};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = const_cast<wchar_t*>(target.c_str());
    credential.Comment = const_cast<wchar_t*>(comment.c_str());
    credential.CredentialBlobSize = static_cast<DWORD>(blob.size());
    credential.CredentialBlob = reinterpret_cast<BYTE*>(const_cast<char*>(blob.data()));
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    wchar_t user[] = L"kestrel";
    credential.UserName = user;
    return CredWriteW(&credential, 0);
}

// "parts G N" in the credential's comment.
Parts PartsOf(const std::wstring& comment) {
    Parts parts;
    unsigned generation = 0, count = 0;
    if (swscanf(comment.c_str(), L"parts %u %u", &generation, &count) == 2 && count >= 1)
        parts = {generation, count};
    return parts;
}

void RemoveParts(const std::string& name, const Parts& parts) {
    for (unsigned part = 1; part < parts.count; ++part)
        CredDeleteW(PartTarget(name, parts.generation, part).c_str(), CRED_TYPE_GENERIC, 0);
}

} // namespace

bool Win32SecretStore::Present() {
    DWORD error = 0;
    return ReadCredential(Target("presence"), error) || error != ERROR_NO_SUCH_LOGON_SESSION;
}

SecretReply Win32SecretStore::Put(const std::string& name, const std::string& secret) {
    DWORD error = 0;
    const std::optional<Read> old = ReadCredential(Target(name), error);
    if (!old && error != ERROR_NOT_FOUND)
        return Failure(error);
    const Parts before = old ? PartsOf(old->comment) : Parts{};
    const std::string_view all = secret;
    const size_t count = secret.empty() ? 1 : (secret.size() + PartBytes - 1) / PartBytes;
    const Parts now{before.generation + 1, static_cast<unsigned>(count)};
    for (unsigned part = 1; part < now.count; ++part) {
        if (!WriteCredential(PartTarget(name, now.generation, part),
                             all.substr(part * PartBytes, PartBytes), {}))
            return Failure(GetLastError());
    }
    // Always named: a rewritten credential may keep the comment of the one it replaces.
    const std::wstring comment =
        L"parts " + std::to_wstring(now.generation) + L" " + std::to_wstring(now.count);
    if (!WriteCredential(Target(name), all.substr(0, PartBytes), comment)) {
        const DWORD failed = GetLastError();
        RemoveParts(name, now);
        return Failure(failed);
    }
    RemoveParts(name, before);
    return {};
}

SecretReply Win32SecretStore::Get(const std::string& name) {
    DWORD error = 0;
    const std::optional<Read> first = ReadCredential(Target(name), error);
    if (!first)
        return Failure(error);
    const Parts parts = PartsOf(first->comment);
    SecretReply reply{SecretAnswer::Done, first->blob, {}};
    for (unsigned part = 1; part < parts.count; ++part) {
        const std::optional<Read> next =
            ReadCredential(PartTarget(name, parts.generation, part), error);
        if (!next)
            return {SecretAnswer::Refused, {}, "part " + std::to_string(part) + " is missing"};
        reply.secret += next->blob;
    }
    return reply;
}

// The credential goes first: parts left by a cut are never named again.
SecretReply Win32SecretStore::Remove(const std::string& name) {
    DWORD error = 0;
    const std::optional<Read> first = ReadCredential(Target(name), error);
    if (!first)
        return error == ERROR_NOT_FOUND ? SecretReply{} : Failure(error);
    if (!CredDeleteW(Target(name).c_str(), CRED_TYPE_GENERIC, 0))
        return Failure(GetLastError());
    RemoveParts(name, PartsOf(first->comment));
    return {};
}

} // namespace kestrel
