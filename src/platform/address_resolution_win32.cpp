// Address resolution on Windows: ResolveIpNetEntry2 drops the entry it has
// and sends its ARP requests anew, so what it reports was answered now. It
// is looked up when first needed: a system whose IP helper lacks it (Wine
// has none) still starts the program, and the check then says it could not ask.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>

#include <cstring>

#include "platform/address_resolution.h"

namespace quelvar::platform {

namespace {

using ResolveEntry = DWORD(WINAPI*)(MIB_IPNET_ROW2*, const SOCKADDR_INET*);

ResolveEntry resolveEntry() {
    HMODULE helper = ::GetModuleHandleW(L"iphlpapi.dll");
    if (helper == nullptr) return nullptr;
    return reinterpret_cast<ResolveEntry>(
        reinterpret_cast<void*>(::GetProcAddress(helper, "ResolveIpNetEntry2")));
}

}  // namespace

LinkHolder askLinkHolder(const Ipv4Octets& address, std::chrono::steady_clock::time_point) {
    LinkHolder holder;
    ResolveEntry resolve = resolveEntry();
    if (resolve == nullptr) {
        holder.finding = LinkHolder::Finding::CannotAsk;
        holder.error = ERROR_PROC_NOT_FOUND;
        return holder;
    }
    IPAddr destination = 0;
    std::memcpy(&destination, address.data(), 4);
    DWORD index = 0;
    if (DWORD error = ::GetBestInterface(destination, &index); error != NO_ERROR) {
        holder.finding = LinkHolder::Finding::CannotAsk;
        holder.error = static_cast<int>(error);
        return holder;
    }
    MIB_IPNET_ROW2 row{};
    row.Address.si_family = AF_INET;
    row.Address.Ipv4.sin_family = AF_INET;
    std::memcpy(&row.Address.Ipv4.sin_addr, address.data(), 4);
    row.InterfaceIndex = index;
    const DWORD result = resolve(&row, nullptr);
    if (result == ERROR_BAD_NET_NAME) {
        holder.finding = LinkHolder::Finding::NobodyAnswered;
    } else if (result != NO_ERROR) {
        holder.finding = LinkHolder::Finding::CannotAsk;
        holder.error = static_cast<int>(result);
    } else if (row.State == NlnsUnreachable || row.State == NlnsIncomplete ||
               row.PhysicalAddressLength != holder.hardware.size()) {
        holder.finding = LinkHolder::Finding::NobodyAnswered;
    } else if (row.State == NlnsPermanent) {
        holder.finding = LinkHolder::Finding::FixedEntry;
    } else {
        holder.finding = LinkHolder::Finding::Answered;
        std::memcpy(holder.hardware.data(), row.PhysicalAddress, holder.hardware.size());
    }
    return holder;
}

}  // namespace quelvar::platform
