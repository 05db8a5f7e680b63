#include "app/token_sources.h"

#include <utility>

namespace kestrel {

AccessTokens TokenSources(TokenCommandRunner runCommand, AccessTokens signIn) {
    return [runCommand = std::move(runCommand), signIn = std::move(signIn)](
               int account, const AccountRecord& record, bool refused) -> TokenAnswer {
        switch (record.signIn.source) {
        case SignInSettings::Source::Command:
            if (record.signIn.command.empty() || !runCommand)
                return {TokenAnswer::Kind::SignInNeeded, {}, {}};
            // A command has no way to be told its token was refused: it runs again.
            return runCommand(record.signIn.command, TokenCommandLimitMs);
        case SignInSettings::Source::Provider:
            if (signIn)
                return signIn(account, record, refused);
            break;
        case SignInSettings::Source::Password:
            break;
        }
        return {TokenAnswer::Kind::SignInNeeded, {}, {}};
    };
}

} // namespace kestrel
