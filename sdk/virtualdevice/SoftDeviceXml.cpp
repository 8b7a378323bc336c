#include "SoftDeviceXml.h"

#include <cstdio>
#include <sstream>

#include "IKySoftDeviceGEVInfo.h"
#include "SoftDeviceRegisters.h"

using namespace ky::gev;

namespace {

struct Feature {
    const char *kind;  // StringReg or IntReg
    const char *name;
    uint32_t address;
    uint32_t length;
    const char *access;
    const char *category;
};

const Feature FEATURES[] = {
    {"StringReg", "DeviceVendorName", MANUFACTURER_NAME_OFFSET, MANUFACTURER_NAME_SIZE, "RO", "DeviceControl"},
    {"StringReg", "DeviceModelName", MODEL_NAME_OFFSET, MODEL_NAME_SIZE, "RO", "DeviceControl"},
    {"StringReg", "DeviceVersion", DEVICE_VERSION_OFFSET, DEVICE_VERSION_SIZE, "RO", "DeviceControl"},
    {"StringReg", "DeviceManufacturerInfo", MANUFACTURER_INFO_OFFSET, MANUFACTURER_INFO_SIZE, "RO", "DeviceControl"},
    {"StringReg", "DeviceSerialNumber", SERIAL_NUMBER_OFFSET, SERIAL_NUMBER_SIZE, "RO", "DeviceControl"},
    {"StringReg", "DeviceUserID", USER_DEFINED_NAME_OFFSET, USER_DEFINED_NAME_SIZE, "RW", "DeviceControl"},
    {"StringReg", "DeviceFirmwareVersion", FIRMWARE_VERSION_OFFSET, FIRMWARE_VERSION_SIZE, "RO", "DeviceControl"},
    {"IntReg", "GevCurrentIPConfiguration", CURRENT_IP_CONFIG_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevCurrentIPAddress", CURRENT_IP_OFFSET, 4, "RO", "TransportLayerControl"},
    {"IntReg", "GevCurrentSubnetMask", CURRENT_SUBNET_MASK_OFFSET, 4, "RO", "TransportLayerControl"},
    {"IntReg", "GevCurrentDefaultGateway", CURRENT_GATEWAY_OFFSET, 4, "RO", "TransportLayerControl"},
    {"IntReg", "GevPersistentIPAddress", PERSISTENT_IP_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevPersistentSubnetMask", PERSISTENT_SUBNET_MASK_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevPersistentDefaultGateway", PERSISTENT_GATEWAY_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevLinkSpeed", LINK_SPEED_OFFSET, 4, "RO", "TransportLayerControl"},
    {"IntReg", "GevHeartbeatTimeout", HEARTBEAT_TIMEOUT_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevTimestampTickFrequency", TIMESTAMP_TICK_HIGH_OFFSET, 8, "RO", "TransportLayerControl"},
    {"IntReg", "GevCCP", CCP_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevMCPHostPort", MCP_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevMCDA", MCDA_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevMCTT", MCTT_OFFSET, 4, "RW", "TransportLayerControl"},
    {"IntReg", "GevMCRC", MCRC_OFFSET, 4, "RW", "TransportLayerControl"},
};

const char *CATEGORIES[] = {"DeviceControl", "TransportLayerControl"};

}  // namespace

std::string SoftDeviceXml::Escape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string SoftDeviceXml::Build(IKySoftDeviceGEVInfo &info)
{
    const unsigned major = info.GetGenICamXMLVersionMajor();
    const unsigned minor = info.GetGenICamXMLVersionMinor();
    const std::string space = "http://www.genicam.org/GenApi/Version_" + std::to_string(major) + "_" +
                              std::to_string(minor);
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        << "<RegisterDescription ModelName=\"" << Escape(info.GetGenICamXMLRegDescModelName().str())
        << "\" VendorName=\"" << Escape(info.GetGenICamXMLRegDescVendorName().str())
        << "\" ToolTip=\"Software GigE Vision device\" StandardNameSpace=\"GEV\""
        << " SchemaMajorVersion=\"" << major << "\" SchemaMinorVersion=\"" << minor
        << "\" SchemaSubMinorVersion=\"" << info.GetGenICamXMLVersionSubMinor() << "\""
        << " MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\""
        << " ProductGuid=\"" << Escape(info.GetGenICamXMLProductGUID().str()) << "\" VersionGuid=\""
        << Escape(info.GetGenICamXMLVersionGUID().str()) << "\""
        << " xmlns=\"" << space << "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
        << " xsi:schemaLocation=\"" << space << " " << space << ".xsd\">\n";
    xml << "  <Category Name=\"Root\" NameSpace=\"Standard\">\n";
    for (const char *category : CATEGORIES) {
        xml << "    <pFeature>" << category << "</pFeature>\n";
    }
    xml << "  </Category>\n";
    for (const char *category : CATEGORIES) {
        xml << "  <Category Name=\"" << category << "\" NameSpace=\"Standard\">\n";
        for (const Feature &f : FEATURES) {
            if (std::string(f.category) == category) {
                xml << "    <pFeature>" << f.name << "</pFeature>\n";
            }
        }
        xml << "  </Category>\n";
    }
    for (const Feature &f : FEATURES) {
        char address[16];
        std::snprintf(address, sizeof(address), "0x%X", f.address);
        xml << "  <" << f.kind << " Name=\"" << f.name << "\" NameSpace=\"Standard\">\n"
            << "    <Address>" << address << "</Address>\n"
            << "    <Length>" << f.length << "</Length>\n"
            << "    <AccessMode>" << f.access << "</AccessMode>\n"
            << "    <pPort>Device</pPort>\n";
        if (std::string(f.kind) == "IntReg") {
            xml << "    <Sign>Unsigned</Sign>\n    <Endianess>BigEndian</Endianess>\n";
        }
        xml << "  </" << f.kind << ">\n";
    }
    xml << "  <Port Name=\"Device\" NameSpace=\"Standard\"/>\n</RegisterDescription>\n";
    return xml.str();
}
