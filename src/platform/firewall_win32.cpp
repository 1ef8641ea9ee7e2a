// Windows Firewall's state for the diagnosis of an empty search.
//
// A reply to the search's broadcast needs no rule: the firewall lets unicast
// replies to a broadcast in for a few seconds, and the modules answer at once.
// What does keep them out is visible to any user through INetFwPolicy2: the
// firewall switched to block everything, replies to broadcasts turned off,
// or a block rule for this program (Windows makes one when the user answers
// its prompt with "Cancel"). Where the policy object or one of its answers is
// missing (Wine has no such firewall) that finding is simply left out.
#include <windows.h>

#include <netfw.h>
#include <oleauto.h>

#include <string>
#include <utility>

#include "platform/firewall_win32.h"
#include "platform/network_adapters.h"
#include "platform/process.h"
#include "platform/utf8.h"

namespace quelvar::platform {

namespace {

// COM for the calling thread, unless the thread has it already (the window's
// thread has it as a single-threaded apartment).
class ComForThisThread {
  public:
    ComForThisThread() : result_(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComForThisThread() {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComForThisThread(const ComForThisThread&) = delete;
    ComForThisThread& operator=(const ComForThisThread&) = delete;

  private:
    HRESULT result_;
};

// Holds one reference of a COM interface and releases it.
template <typename Interface>
class Held {
  public:
    Held() = default;
    ~Held() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    Interface** put() { return &pointer_; }
    void** putVoid() { return reinterpret_cast<void**>(&pointer_); }
    Interface* operator->() const { return pointer_; }
    Interface& operator*() const { return *pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

  private:
    Interface* pointer_ = nullptr;
};

class HeldString {
  public:
    HeldString() = default;
    ~HeldString() { ::SysFreeString(text_); }
    HeldString(const HeldString&) = delete;
    HeldString& operator=(const HeldString&) = delete;
    BSTR* put() { return &text_; }
    std::wstring_view view() const {
        return {text_ != nullptr ? text_ : L"", ::SysStringLen(text_)};
    }

  private:
    BSTR text_ = nullptr;
};

std::wstring withLongNames(std::wstring path) {
    const DWORD length = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (length == 0) return path;
    std::wstring longName(length, L'\0');
    const DWORD written = ::GetLongPathNameW(path.c_str(), longName.data(), length);
    if (written == 0 || written >= length) return path;
    longName.resize(written);
    return longName;
}

std::wstring expanded(std::wstring_view text) {
    const std::wstring source(text);
    const DWORD length = ::ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
    if (length == 0) return source;
    std::wstring result(length, L'\0');
    const DWORD written = ::ExpandEnvironmentStringsW(source.c_str(), result.data(), length);
    if (written == 0 || written > length) return source;
    result.resize(written - 1);  // the count includes the terminator
    return result;
}

bool isTrue(VARIANT_BOOL value) {
    return value != VARIANT_FALSE;
}

struct ProfileKind {
    NET_FW_PROFILE_TYPE2 type;
    const char* name;
};
constexpr ProfileKind kProfiles[] = {{NET_FW_PROFILE2_DOMAIN, "domain"},
                                     {NET_FW_PROFILE2_PRIVATE, "private"},
                                     {NET_FW_PROFILE2_PUBLIC, "public"}};

std::vector<FirewallProfile> profilesInUse(INetFwPolicy2& policy, long types) {
    std::vector<FirewallProfile> profiles;
    for (const ProfileKind& kind : kProfiles) {
        if ((types & kind.type) == 0) continue;
        FirewallProfile profile;
        profile.name = kind.name;
        VARIANT_BOOL value = VARIANT_FALSE;
        if (FAILED(policy.get_FirewallEnabled(kind.type, &value))) continue;
        profile.enabled = isTrue(value);
        if (profile.enabled) {
            value = VARIANT_FALSE;
            if (SUCCEEDED(policy.get_BlockAllInboundTraffic(kind.type, &value))) {
                profile.blocksAllInbound = isTrue(value);
            }
            value = VARIANT_FALSE;
            if (SUCCEEDED(
                    policy.get_UnicastResponsesToMulticastBroadcastDisabled(kind.type, &value))) {
                profile.blocksRepliesToBroadcasts = isTrue(value);
            }
        }
        profiles.push_back(std::move(profile));
    }
    return profiles;
}

// A machine has a few hundred rules; this bounds a broken enumerator.
constexpr int kMostRulesRead = 100000;

std::vector<FirewallBlockingRule> rulesBlocking(INetFwPolicy2& policy, long types,
                                                const std::filesystem::path& program) {
    std::vector<FirewallBlockingRule> found;
    Held<INetFwRules> rules;
    Held<IUnknown> enumerator;
    Held<IEnumVARIANT> entries;
    if (FAILED(policy.get_Rules(rules.put())) || !rules ||
        FAILED(rules->get__NewEnum(enumerator.put())) || !enumerator ||
        FAILED(enumerator->QueryInterface(IID_IEnumVARIANT, entries.putVoid())) || !entries) {
        return found;
    }
    for (int read = 0; read < kMostRulesRead; ++read) {
        VARIANT entry;
        ::VariantInit(&entry);
        ULONG fetched = 0;
        if (entries->Next(1, &entry, &fetched) != S_OK || fetched != 1) break;
        Held<INetFwRule> rule;
        const bool isRule =
            entry.vt == VT_DISPATCH && entry.pdispVal != nullptr &&
            SUCCEEDED(entry.pdispVal->QueryInterface(__uuidof(INetFwRule), rule.putVoid()));
        ::VariantClear(&entry);
        if (!isRule || !rule) continue;

        VARIANT_BOOL enabled = VARIANT_FALSE;
        NET_FW_ACTION action = NET_FW_ACTION_ALLOW;
        long profiles = 0;
        NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_IN;
        HeldString application;
        HeldString name;
        if (FAILED(rule->get_Enabled(&enabled)) || !isTrue(enabled)) continue;
        if (FAILED(rule->get_Action(&action)) || action != NET_FW_ACTION_BLOCK) continue;
        if (SUCCEEDED(rule->get_Profiles(&profiles)) && (profiles & types) == 0) continue;
        if (FAILED(rule->get_ApplicationName(application.put())) ||
            !namesProgram(application.view(), program)) {
            continue;
        }
        if (FAILED(rule->get_Direction(&direction))) direction = NET_FW_RULE_DIR_IN;
        (void)rule->get_Name(name.put());
        found.push_back({utf8FromWide(name.view()), direction != NET_FW_RULE_DIR_OUT});
    }
    return found;
}

std::string withoutControlCharacters(std::string text) {
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return text;
}

}  // namespace

std::vector<std::string> describeFirewall(const std::vector<FirewallProfile>& profiles,
                                          const std::vector<FirewallBlockingRule>& rules) {
    std::vector<std::string> lines;
    for (const FirewallProfile& profile : profiles) {
        if (!profile.enabled) continue;
        const std::string where = "the " + profile.name + " network profile";
        lines.push_back("Windows Firewall is on for " + where);
        if (profile.blocksAllInbound) {
            lines.push_back("Windows Firewall blocks all incoming connections on " + where);
        }
        if (profile.blocksRepliesToBroadcasts) {
            lines.push_back("Windows Firewall lets no replies to a broadcast in on " + where);
        }
    }
    for (const FirewallBlockingRule& rule : rules) {
        lines.push_back("Windows Firewall rule \"" + withoutControlCharacters(rule.name) +
                        "\" blocks " + (rule.inbound ? "incoming" : "outgoing") +
                        " traffic of this program");
    }
    return lines;
}

bool namesProgram(std::wstring_view applicationName, const std::filesystem::path& program) {
    if (applicationName.empty()) return false;  // a rule for every program names none in particular
    const std::wstring named =
        std::filesystem::path(withLongNames(expanded(applicationName))).lexically_normal().native();
    const std::wstring self =
        std::filesystem::path(withLongNames(program.native())).lexically_normal().native();
    return ::CompareStringOrdinal(named.c_str(), static_cast<int>(named.size()), self.c_str(),
                                  static_cast<int>(self.size()), TRUE) == CSTR_EQUAL;
}

std::vector<std::string> visibleFirewallState() {
    ComForThisThread com;
    Held<INetFwPolicy2> policy;
    if (FAILED(::CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_INPROC_SERVER,
                                  __uuidof(INetFwPolicy2), policy.putVoid())) ||
        !policy) {
        return {};
    }
    long types = 0;
    std::vector<FirewallProfile> profiles;
    if (SUCCEEDED(policy->get_CurrentProfileTypes(&types))) {
        profiles = profilesInUse(*policy, types);
    } else {
        types = NET_FW_PROFILE2_ALL;  // which rules apply is unknown: any of them may
    }
    return describeFirewall(profiles, rulesBlocking(*policy, types, executablePath()));
}

}  // namespace quelvar::platform
