// winsock2.h must come before windows.h, and windows.h before the rest.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>
#include <setupapi.h>
#include <winioctl.h>
#include <ws2tcpip.h>

#include "WinProbe.h"

#include <cstdint>
#include <string>
#include <vector>

#include "CollectorMarker.h"
#include "IdentityFields.h"
#include "SmbiosTable.h"
#include "ValueFormats.h"
#include "WinSoftware.h"
#include "WinText.h"

namespace vantrel::collector {

namespace {

std::wstring RegistryText(HKEY root, const wchar_t* key, const wchar_t* name) {
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(root, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
        return {};
    }
    return buffer;
}

std::string ComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &length)) {
        return {};
    }
    return CleanText(ToGbkLossy(std::wstring_view(name, length)));
}

std::string CpuName() {
    return CleanText(ToGbkLossy(RegistryText(HKEY_LOCAL_MACHINE,
                                             L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                                             L"ProcessorNameString")));
}

std::string OsText() {
    // RtlGetVersion tells the true version; GetVersionEx answers as the
    // manifest allows.
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto getVersion = ntdll != nullptr ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(
                                             GetProcAddress(ntdll, "RtlGetVersion")))
                                       : nullptr;
    if (getVersion == nullptr || getVersion(&info) != 0) {
        return {};
    }
    const std::wstring product = RegistryText(
        HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", L"ProductName");
    return FormatOs(ToGbkLossy(product), info.dwMajorVersion, info.dwMinorVersion,
                    info.dwBuildNumber);
}

void Memory(HardwareFacts& facts) {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (GlobalMemoryStatusEx(&status)) {
        facts.ramTotal = FormatSize(status.ullTotalPhys);
        facts.ramFree = FormatSize(status.ullAvailPhys);
    }
}

std::string RawSmbios() {
    const DWORD signature = ('R' << 24) | ('S' << 16) | ('M' << 8) | 'B';
    const UINT size = GetSystemFirmwareTable(signature, 0, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::string raw(size, '\0');
    const UINT read = GetSystemFirmwareTable(signature, 0, raw.data(), size);
    raw.resize(read <= size ? read : 0);
    return raw;
}

BatteryState Battery() {
    SYSTEM_POWER_STATUS power{};
    if (!GetSystemPowerStatus(&power) || power.BatteryFlag == 255) {
        return BatteryState::Unknown;
    }
    return (power.BatteryFlag & 128) != 0 ? BatteryState::None : BatteryState::Present;
}

std::string DeviceText(const char* base, DWORD offset, DWORD size) {
    if (offset == 0 || offset >= size) {
        return {};
    }
    const char* text = base + offset;
    return std::string(text, strnlen(text, size - offset));
}

std::string Disks() {
    std::vector<std::string> disks;
    for (int number = 0; number < 32; ++number) {
        const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(number);
        // No access rights are asked for: the two queries need none, and
        // users without administrator rights may make them.
        HANDLE disk = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (disk == INVALID_HANDLE_VALUE) {
            continue;
        }
        std::string model;
        STORAGE_PROPERTY_QUERY query{};
        query.PropertyId = StorageDeviceProperty;
        query.QueryType = PropertyStandardQuery;
        char buffer[1024] = {};
        DWORD returned = 0;
        if (DeviceIoControl(disk, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer,
                            sizeof buffer, &returned, nullptr) &&
            returned >= sizeof(STORAGE_DEVICE_DESCRIPTOR)) {
            const auto* descriptor = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer);
            const std::string vendor =
                CleanText(DeviceText(buffer, descriptor->VendorIdOffset, returned));
            const std::string product =
                CleanText(DeviceText(buffer, descriptor->ProductIdOffset, returned));
            model =
                vendor.empty() || product.rfind(vendor, 0) == 0 ? product : vendor + " " + product;
        }
        std::uint64_t bytes = 0;
        GET_LENGTH_INFORMATION length{};
        DISK_GEOMETRY_EX geometry{};
        if (DeviceIoControl(disk, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                            &returned, nullptr)) {
            bytes = static_cast<std::uint64_t>(length.Length.QuadPart);
        } else if (DeviceIoControl(disk, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry,
                                   sizeof geometry, &returned, nullptr)) {
            // Without read access the length query is refused; the geometry
            // query is not.
            bytes = static_cast<std::uint64_t>(geometry.DiskSize.QuadPart);
        }
        CloseHandle(disk);
        disks.push_back(FormatDisk(model, bytes));
    }
    return JoinDistinct(disks);
}

std::string Graphics() {
    std::vector<std::string> names;
    DISPLAY_DEVICEW device{};
    device.cb = sizeof device;
    for (DWORD i = 0; EnumDisplayDevicesW(nullptr, i, &device, 0); ++i) {
        if ((device.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER) == 0) {
            names.push_back(ToGbkLossy(device.DeviceString));
        }
        device = {};
        device.cb = sizeof device;
    }
    return JoinDistinct(names, 150);
}

// The EDID of each monitor Windows has present, as the display driver read
// it (the value "EDID" of the device's key). Every user may read it.
std::string Monitors() {
    // GUID_DEVCLASS_MONITOR, which mingw-w64 declares but no library defines.
    static const GUID kMonitorClass = {
        0x4d36e96e, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
    HDEVINFO devices = SetupDiGetClassDevsW(&kMonitorClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::vector<std::string> edids;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices, i, &device); ++i) {
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) {
            continue;
        }
        // EDID blocks are 128 bytes; a base block and up to 255 extensions.
        std::string edid(32 * 1024, '\0');
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(edid.size());
        if (RegQueryValueExW(key, L"EDID", nullptr, &type, reinterpret_cast<BYTE*>(edid.data()),
                             &size) == ERROR_SUCCESS &&
            type == REG_BINARY) {
            edid.resize(size);
            edids.push_back(EdidHex(edid));
        }
        RegCloseKey(key);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return JoinOnce(edids, protocol::kListSeparator);
}

// GetAdaptersAddresses' list of adapters (IP_ADAPTER_ADDRESSES records) in
// a buffer grown as it asks; empty when it fails.
std::vector<unsigned char> AdapterList(ULONG family, ULONG flags) {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            family, flags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) {
        buffer.clear();
    }
    return buffer;
}

// The MAC of every network card: Ethernet and Wi-Fi adapters, not the
// loopback, tunnels or other software adapters.
std::string PhysicalMacs() {
    const std::vector<unsigned char> buffer =
        AdapterList(AF_UNSPEC, GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST |
                                   GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER);
    if (buffer.empty()) {
        return {};
    }
    std::vector<std::string> macs;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        if (adapter->IfType == IF_TYPE_ETHERNET_CSMACD || adapter->IfType == IF_TYPE_IEEE80211) {
            macs.push_back(FormatMac(adapter->PhysicalAddress, adapter->PhysicalAddressLength));
        }
    }
    return JoinOnce(macs, protocol::kListSeparator);
}

}  // namespace

HardwareFacts DetectHardware() {
    HardwareFacts facts;
    facts.pcName = ComputerName();
    facts.cpu = CpuName();
    facts.os = OsText();
    Memory(facts);
    const std::string raw = RawSmbios();
    const SmbiosFacts smbios = ParseSmbios(raw);
    facts.board = BoardText(smbios);
    facts.bios = FormatBios(smbios.biosVendor, smbios.biosVersion, smbios.biosDate);
    facts.pcType = PcTypeOf(smbios.chassisType, Battery());
    facts.maker = smbios.systemMaker;
    facts.model = ModelText(smbios.systemModel, smbios.systemVersion);
    facts.serial = smbios.systemSerial;
    facts.uuid = smbios.uuid;
    facts.boardSerial = smbios.boardSerial;
    facts.chassisSerial = smbios.chassisSerial;
    facts.assetTag = smbios.assetTag;
    facts.monitors = Monitors();
    facts.macs = PhysicalMacs();
    facts.disks = Disks();
    facts.graphics = Graphics();
    facts.software = DetectSoftware();
    return facts;
}

std::string LocalAddressToward(const std::string& serverIpv4) {
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(9);
    if (inet_pton(AF_INET, serverIpv4.c_str(), &server.sin_addr) != 1) {
        return {};
    }
    SOCKET probe = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (probe == INVALID_SOCKET) {
        return {};
    }
    std::string address;
    sockaddr_in local{};
    int length = sizeof local;
    if (connect(probe, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
        char text[INET_ADDRSTRLEN] = {};
        if (inet_ntop(AF_INET, &local.sin_addr, text, sizeof text) != nullptr) {
            address = text;
        }
    }
    closesocket(probe);
    return address;
}

std::string MacOfAdapter(const std::string& localIpv4, const std::string& serverIpv4) {
    const std::vector<unsigned char> buffer = AdapterList(
        AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER);
    if (buffer.empty()) {
        return {};
    }
    DWORD bestIndex = 0;
    IPAddr destination = 0;
    const bool haveBest = inet_pton(AF_INET, serverIpv4.c_str(), &destination) == 1 &&
                          GetBestInterface(destination, &bestIndex) == NO_ERROR;
    std::string byIndex;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
         adapter != nullptr; adapter = adapter->Next) {
        const std::string mac = FormatMac(adapter->PhysicalAddress, adapter->PhysicalAddressLength);
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr);
            char text[INET_ADDRSTRLEN] = {};
            if (address->sin_family == AF_INET &&
                inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr &&
                localIpv4 == text && !mac.empty()) {
                return mac;
            }
        }
        if (haveBest && adapter->IfIndex == bestIndex) {
            byIndex = mac;
        }
    }
    return byIndex;
}

void DetectRouteToServer(const std::string& hostPort, HardwareFacts& facts) {
    if (!protocol::IsValidHostPort(hostPort)) {
        return;
    }
    const protocol::ServerAddress server = protocol::SplitHostPort(hostPort);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(server.host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return;
    }
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const std::string serverIp =
        inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr ? text : "";
    freeaddrinfo(found);
    const std::string local = LocalAddressToward(serverIp);
    if (!local.empty()) {
        facts.ip = local;
        facts.mac = MacOfAdapter(local, serverIp);
    }
}

}  // namespace vantrel::collector
