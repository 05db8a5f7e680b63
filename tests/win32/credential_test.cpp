// The Credential Manager for real (Wine's under the test command): secrets of every size, the
// large ones in parts, and no part left behind by a smaller secret or a removal.
#include "win32/win32_secret_store.h"

#include <windows.h>
#include <wincred.h>

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

// The credentials kept under the test's name, its parts counted.
int CredentialsKept() {
    DWORD count = 0;
    PCREDENTIALW* found = nullptr;
    if (!CredEnumerateW(L"kestrel:credential test*", 0, &count, &found))
        return 0;
    CredFree(found);
    return static_cast<int>(count);
}

std::string Bytes(size_t size, int seed) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i)
        bytes += static_cast<char>((i * 7 + static_cast<size_t>(seed)) % 256);
    return bytes;
}

TEST(CredentialTest, KeepsSecretsOfEverySizeAndNoStaleParts) {
    Win32SecretStore store;
    ASSERT_TRUE(store.Present());
    store.Remove("credential test"); // what an earlier run in this prefix left
    const struct {
        const char* what;
        std::string secret;
        int credentials; // the credential and its parts
    } rows[] = {
        {"a password", "hunter2", 1},
        {"one whole blob", Bytes(Win32SecretStore::PartBytes, 1), 1},
        {"a token of 5 KB in two parts", Bytes(5 * 1024, 2), 2},
        {"a larger one over it", Bytes(3 * Win32SecretStore::PartBytes + 1, 3), 4},
        {"a small one again: the parts go", "p\xC3\xA4ss", 1},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(store.Put("credential test", row.secret).answer, SecretAnswer::Done) << row.what;
        const SecretReply back = store.Get("credential test");
        EXPECT_EQ(back.answer, SecretAnswer::Done) << row.what;
        EXPECT_EQ(back.secret, row.secret) << row.what;
        EXPECT_EQ(CredentialsKept(), row.credentials) << row.what;
    }
    ASSERT_EQ(store.Put("credential test", Bytes(5 * 1024, 4)).answer, SecretAnswer::Done);
    EXPECT_EQ(store.Remove("credential test").answer, SecretAnswer::Done);
    EXPECT_EQ(store.Get("credential test").answer, SecretAnswer::NotFound);
    EXPECT_EQ(CredentialsKept(), 0) << "a removal leaves no part";
}

} // namespace
} // namespace kestrel
