// Opening, configuring and closing the chosen port, and draining what the camera sends.
//
// PortConnection keeps no state of its own: whether the port is open lives in the control.
// It reads the two lists through ComboList, so the panel hands it its combo boxes and tests
// hand it plain values.
#pragma once

#include "mscomm.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A list's selected item, as the port connection asks for it.
class ComboList
{
public:
    virtual ~ComboList() = default;
    // Index of the selected item, negative when nothing is selected.
    virtual int GetCurSel() const = 0;
    // Text of the item at index.
    virtual std::string GetLBText(int index) const = 0;
};

// The configuration every open puts, in order.
inline constexpr long portInputMode = comInputModeBinary;
inline constexpr short portBufferSize = 128;
inline constexpr short portInputLen = 0;
inline constexpr short portRThreshold = 1;
// No flow control: in a Pelco D frame any byte value is data, so an XON/XOFF line would take an
// address, a checksum or a reply byte of 0x13 for a stop and hold the next frame back (USB
// adapters do it in the chip, where nothing can restart them).
inline constexpr long portHandshaking = comNone;
inline constexpr std::string_view settingsSuffix = ",n,8,1";

// The decimal number a port name carries from its fourth character on, read as atoi does
// (saturated to 32 bits rather than undefined); 0 for names of three characters or fewer.
std::int32_t portNumberFromName(std::string_view portName);

// "9600" gives "9600,n,8,1".
std::string settingsFromBaud(std::string_view baudText);

// Puts the whole configuration on a closed control, the last put opening the port. A failing
// put raises and leaves the earlier ones in effect. Shared by the panel and tarnctl.
void openConfigured(CMSComm &comm, short port, const std::string &settings);

class PortConnection
{
public:
    explicit PortConnection(CMSComm &comm) : m_comm(comm) {}

    // A choice in either list: close the port if open, configure it anew and open it.
    // Does nothing while either list has no selection.
    void OnSelchangePortOrBaud(const ComboList &portList, const ComboList &baudList);

    // The port part of the close request: closes an open port. Raises if the close fails, and
    // then the panel must stay open.
    void OnClose();

    // The control's event: on CommEvent 2, takes what waits and drops it. Errors are dropped.
    void OnSerialEvent();

    // Size of the drain's buffer. A read beyond it (the control never yields one while
    // InBufferSize is 128) is dropped past the 128th byte.
    static constexpr std::size_t receiveBufferSize = 128;

    // The drain itself, into the buffer given (OnSerialEvent's own, or a test's with guards
    // around it): the bytes copied, from the buffer's first on; 0 for another event or an error.
    std::size_t drain(std::span<BYTE, receiveBufferSize> buffer);

private:
    CMSComm &m_comm;
};
