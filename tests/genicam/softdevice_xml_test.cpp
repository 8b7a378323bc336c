// Our node map over the soft device's own register map: the XML that the device serves
// through its URL register loads, and its features read and write the device's registers.
#include <gtest/gtest.h>

#include "ky/virtualdevice/IKyRegisterMap.h"
#include "ky/genicam/KyGenParameterArray.h"
#include "ky/genicam/KyGenXmlSource.h"
#include "ky/virtualdevice/KySoftDeviceGEV.h"

namespace {

// A port over the registers of a running soft device (in process, no network traffic).
class RegisterMapPort : public IKyGenPort
{
public:
    explicit RegisterMapPort(IKyRegisterMap &map) : mMap(map) { }

    KyResult ReadPort(uint64_t address, void *data, uint32_t length) override
    {
        return Walk(address, length, [&](IKyRegister &r, uint32_t offset, uint32_t done, uint32_t n) {
            return r.ReadBytes(static_cast<uint8_t *>(data) + done, n, offset);
        });
    }
    KyResult WritePort(uint64_t address, const void *data, uint32_t length) override
    {
        return Walk(address, length, [&](IKyRegister &r, uint32_t offset, uint32_t done, uint32_t n) {
            return r.Write(static_cast<const uint8_t *>(data) + done, n, offset);
        });
    }

private:
    // Splits an access over the registers it covers.
    template <typename F>
    KyResult Walk(uint64_t address, uint32_t length, F access)
    {
        for (uint32_t done = 0; done < length;) {
            IKyRegister *found = nullptr;
            for (size_t k = 0; k < mMap.GetRegisterCount() && !found; ++k) {
                IKyRegister *r = mMap.GetRegisterByIndex(k);
                if (r && r->GetAddress() <= address + done &&
                    address + done < r->GetAddress() + r->GetLength())
                    found = r;
            }
            if (!found)
                return KyResult(KY_INVALID_PARAMETER,
                                KyString("no register at " + std::to_string(address + done)));
            uint32_t offset = static_cast<uint32_t>(address + done - found->GetAddress());
            uint32_t n =
                std::min<uint32_t>(length - done, static_cast<uint32_t>(found->GetLength()) - offset);
            KyResult r = access(*found, offset, done, n);
            if (!r.IsOK())
                return r;
            done += n;
        }
        return KyResult();
    }

    IKyRegisterMap &mMap;
};

}  // namespace

TEST(SoftDeviceXml, LoadsAndReachesTheDeviceRegisters)
{
    KySoftDeviceGEV device;
    ASSERT_TRUE(device.Start("00:00:00:00:00:00").IsOK());
    IKyRegisterMap *map = device.GetRegisterMap();
    ASSERT_NE(map, nullptr);
    ASSERT_TRUE(map->Lock().IsOK());
    {
        RegisterMapPort port(*map);
        KyString xml, url, served;
        KyGenReadFunction read = [&](uint64_t a, void *d, uint32_t n) { return port.ReadPort(a, d, n); };
        KyResult r = KyGenReadXmlFromDevice(read, 0x200, xml, &url);
        ASSERT_TRUE(r.IsOK()) << r.GetDescription().GetAscii();
        ASSERT_TRUE(device.GetGenICamXMLFile(served).IsOK());
        EXPECT_EQ(xml.str(), served.str());

        KyGenParameterArray params;
        r = params.Load(xml, &port);
        ASSERT_TRUE(r.IsOK()) << r.GetDescription().GetAscii();
        EXPECT_GT(params.GetCount(), 0u);
        for (uint32_t k = 0; k < params.GetCount(); ++k) {
            bool readable = false;
            EXPECT_TRUE(params.Get(k)->IsReadable(readable).IsOK());
            KyString name, text;
            EXPECT_TRUE(params.Get(k)->GetName(name).IsOK());
            if (readable) {
                KyResult rr = params.Get(k)->ToString(text);
                EXPECT_TRUE(rr.IsOK()) << name.GetAscii() << ": " << rr.GetDescription().GetAscii();
            }
        }
        EXPECT_TRUE(params.SetStringValue("DeviceUserID", KyString("from-node-map")).IsOK());
        KyString stored;
        EXPECT_TRUE(map->GetRegisterByAddress(0xE8)->ReadString(stored).IsOK());
        EXPECT_EQ(stored.str(), "from-node-map");
        int64_t heartbeat = 0;
        EXPECT_TRUE(params.SetIntegerValue("GevHeartbeatTimeout", 5000).IsOK());
        EXPECT_TRUE(params.GetIntegerValue("GevHeartbeatTimeout", heartbeat).IsOK());
        EXPECT_EQ(heartbeat, 5000);
        EXPECT_EQ(params.SetStringValue("DeviceVendorName", KyString("x")).GetDescription().str(),
                  "[DeviceVendorName] is not writable (read-only)");
    }
    map->Release();
    EXPECT_TRUE(device.Stop().IsOK());
}
