// Result codes, pixel-format masks and enumerations of the SDK, each written once.
// Every X-macro list below is the single source of these names and values: the C++
// declarations in KyEnums.h and the Python module's constants are both made from them.
#pragma once

// X(name, value)
#define KY_RESULT_CODE_TABLE(X)                                                                              \
    X(KY_OK, 0)                                                                                              \
    X(KY_NOT_INITIALIZED, 1541)                                                                              \
    X(KY_NOT_FOUND, 25)                                                                                      \
    X(KY_CANNOT_OPEN_FILE, 6)                                                                                \
    X(KY_NO_MORE_ITEM, 21)                                                                                   \
    X(KY_NOT_CONNECTED, 23)                                                                                  \
    X(KY_STATE_ERROR, 28)                                                                                    \
    X(KY_THREAD_ERROR, 29)                                                                                   \
    X(KY_INVALID_DATA_FORMAT, 1281)                                                                          \
    X(KY_ABORTED, 1)                                                                                         \
    X(KY_NOT_ENOUGH_MEMORY, 24)                                                                              \
    X(KY_GENERIC_ERROR, 16384)                                                                               \
    X(KY_INVALID_PARAMETER, 16385)                                                                           \
    X(KY_CANCEL, 16386)                                                                                      \
    X(KY_PENDING, 65535)                                                                                     \
    X(KY_TIMEOUT, 30)                                                                                        \
    X(KY_GENICAM_XML_ERROR, 2308)                                                                            \
    X(KY_CANT_READ_MANIFEST, 2309)                                                                           \
    X(KY_NOT_IMPLEMENTED, 1540)                                                                              \
    X(KY_NOT_SUPPORTED, 26)                                                                                  \
    X(KY_FILE_ERROR, 16)                                                                                     \
    X(KY_ERR_OVERFLOW, 27)                                                                                   \
    X(KY_IMAGE_ERROR, 37)                                                                                    \
    X(KY_MISSING_PACKETS, 39)                                                                                \
    X(KY_BUFFER_TOO_SMALL, 4)                                                                                \
    X(KY_TOO_MANY_RESENDS, 2816)                                                                             \
    X(KY_RESENDS_FAILURE, 2817)                                                                              \
    X(KY_TOO_MANY_CONSECUTIVE_RESENDS, 2819)                                                                 \
    X(KY_AUTO_ABORTED, 2818)                                                                                 \
    X(KY_BAD_VERSION, 513)                                                                                   \
    X(KY_NO_MORE_ENTRY, 1539)                                                                                \
    X(KY_NO_AVAILABLE_DATA, 20)                                                                              \
    X(KY_NETWORK_ERROR, 19)                                                                                  \
    X(KY_NETWORK_CONFIG_ERROR, 1536)                                                                         \
    X(KY_RESYNC, 40)                                                                                         \
    X(KY_BUSY, 514)                                                                                          \
    X(KY_CORRUPTED_DATA, 771)                                                                                \
    /* end */

// X(name, value): parts of a pixel-type value (class | bits << 16 | id)
#define KY_PIXEL_MASK_TABLE(X)                                                                               \
    X(KYPIXELMONO, 16777216)                                                                                 \
    X(KYPIXELRGB, 33554432)                                                                                  \
    X(KYPIXELCOLOR, 33554432)                                                                                \
    X(KYPIXELCUSTOM, -2147483648)                                                                            \
    X(KYPIXELCOLORMASK, -16777216)                                                                           \
    X(KYPIXEL1BIT, 65536)                                                                                    \
    X(KYPIXEL2BIT, 131072)                                                                                   \
    X(KYPIXEL4BIT, 262144)                                                                                   \
    X(KYPIXEL8BIT, 524288)                                                                                   \
    X(KYPIXEL10BIT, 655360)                                                                                  \
    X(KYPIXEL12BIT, 786432)                                                                                  \
    X(KYPIXEL14BIT, 917504)                                                                                  \
    X(KYPIXEL16BIT, 1048576)                                                                                 \
    X(KYPIXEL20BIT, 1310720)                                                                                 \
    X(KYPIXEL24BIT, 1572864)                                                                                 \
    X(KYPIXEL30BIT, 1966080)                                                                                 \
    X(KYPIXEL32BIT, 2097152)                                                                                 \
    X(KYPIXEL36BIT, 2359296)                                                                                 \
    X(KYPIXEL40BIT, 2621440)                                                                                 \
    X(KYPIXEL48BIT, 3145728)                                                                                 \
    X(KYPIXEL64BIT, 4194304)                                                                                 \
    X(KYPIXEL96BIT, 6291456)                                                                                 \
    X(KYBITSPERPIXELMASK, 16711680)                                                                          \
    X(KYPIXELIDMASK, 65535)                                                                                  \
    /* end */

#define KY_ENUM_TABLE_KyLogLevelEnum(X)                                                                      \
    X(KyLogLevelUnknown, 0)                                                                                  \
    X(KyLogLevelInfo, 1)                                                                                     \
    X(KyLogLevelError, 2)                                                                                    \
    X(KyLogLevelWarning, 3)                                                                                  \
    X(KyLogLevelCritical, 4)                                                                                 \
    X(KyLogLevelDebug, 5)                                                                                    \
    /* end */

#define KY_ENUM_TABLE_KyPixelType(X)                                                                         \
    X(KyPixelUndefined, 0x00000000)                                                                          \
    X(KyPixelMono8, 0x01080001)                                                                              \
    X(KyPixelMono8s, 0x01080002)                                                                             \
    X(KyPixelMono10, 0x01100003)                                                                             \
    X(KyPixelMono10Packed, 0x010C0004)                                                                       \
    X(KyPixelMono12, 0x01100005)                                                                             \
    X(KyPixelMono12Packed, 0x010C0006)                                                                       \
    X(KyPixelMono16, 0x01100007)                                                                             \
    X(KyPixelBayerGR8, 0x01080008)                                                                           \
    X(KyPixelBayerRG8, 0x01080009)                                                                           \
    X(KyPixelBayerGB8, 0x0108000A)                                                                           \
    X(KyPixelBayerBG8, 0x0108000B)                                                                           \
    X(KyPixelBayerGR10, 0x0110000C)                                                                          \
    X(KyPixelBayerRG10, 0x0110000D)                                                                          \
    X(KyPixelBayerGB10, 0x0110000E)                                                                          \
    X(KyPixelBayerBG10, 0x0110000F)                                                                          \
    X(KyPixelBayerGR12, 0x01100010)                                                                          \
    X(KyPixelBayerRG12, 0x01100011)                                                                          \
    X(KyPixelBayerGB12, 0x01100012)                                                                          \
    X(KyPixelBayerBG12, 0x01100013)                                                                          \
    X(KyPixelRGB8, 0x02180014)                                                                               \
    X(KyPixelBGR8, 0x02180015)                                                                               \
    X(KyPixelRGBa8, 0x02200016)                                                                              \
    X(KyPixelBGRa8, 0x02200017)                                                                              \
    X(KyPixelRGB10, 0x02300018)                                                                              \
    X(KyPixelBGR10, 0x02300019)                                                                              \
    X(KyPixelRGB12, 0x0230001A)                                                                              \
    X(KyPixelBGR12, 0x0230001B)                                                                              \
    X(KyPixelRGB10V1Packed, 0x0220001C)                                                                      \
    X(KyPixelRGB10p32, 0x0220001D)                                                                           \
    X(KyPixelYUV411_8_UYYVYY, 0x020C001E)                                                                    \
    X(KyPixelYUV422_8_UYVY, 0x0210001F)                                                                      \
    X(KyPixelYUV8_UYV, 0x02180020)                                                                           \
    X(KyPixelRGB8_Planar, 0x02180021)                                                                        \
    X(KyPixelRGB10_Planar, 0x02300022)                                                                       \
    X(KyPixelRGB12_Planar, 0x02300023)                                                                       \
    X(KyPixelRGB16_Planar, 0x02300024)                                                                       \
    X(KyPixelMono14, 0x01100025)                                                                             \
    X(KyPixelBayerGR10Packed, 0x010C0026)                                                                    \
    X(KyPixelBayerRG10Packed, 0x010C0027)                                                                    \
    X(KyPixelBayerGB10Packed, 0x010C0028)                                                                    \
    X(KyPixelBayerBG10Packed, 0x010C0029)                                                                    \
    X(KyPixelBayerGR12Packed, 0x010C002A)                                                                    \
    X(KyPixelBayerRG12Packed, 0x010C002B)                                                                    \
    X(KyPixelBayerGB12Packed, 0x010C002C)                                                                    \
    X(KyPixelBayerBG12Packed, 0x010C002D)                                                                    \
    X(KyPixelBayerGR16, 0x0110002E)                                                                          \
    X(KyPixelBayerRG16, 0x0110002F)                                                                          \
    X(KyPixelBayerGB16, 0x01100030)                                                                          \
    X(KyPixelBayerBG16, 0x01100031)                                                                          \
    X(KyPixelYUV422_8, 0x02100032)                                                                           \
    X(KyPixelRGB16, 0x02300033)                                                                              \
    X(KyPixelRGB12V1Packed, 0x02240034)                                                                      \
    X(KyPixelRGB565p, 0x02100035)                                                                            \
    X(KyPixelBGR565p, 0x02100036)                                                                            \
    X(KyPixelMono1p, 0x01010037)                                                                             \
    X(KyPixelMono2p, 0x01020038)                                                                             \
    X(KyPixelMono4p, 0x01040039)                                                                             \
    X(KyPixelYCbCr8_CbYCr, 0x0218003A)                                                                       \
    X(KyPixelYCbCr422_8, 0x0210003B)                                                                         \
    X(KyPixelYCbCr411_8_CbYYCrYY, 0x020C003C)                                                                \
    X(KyPixelYCbCr601_8_CbYCr, 0x0218003D)                                                                   \
    X(KyPixelYCbCr601_422_8, 0x0210003E)                                                                     \
    X(KyPixelYCbCr601_411_8_CbYYCrYY, 0x020C003F)                                                            \
    X(KyPixelYCbCr709_8_CbYCr, 0x02180040)                                                                   \
    X(KyPixelYCbCr709_422_8, 0x02100041)                                                                     \
    X(KyPixelYCbCr709_411_8_CbYYCrYY, 0x020C0042)                                                            \
    X(KyPixelYCbCr422_8_CbYCrY, 0x02100043)                                                                  \
    X(KyPixelYCbCr601_422_8_CbYCrY, 0x02100044)                                                              \
    X(KyPixelYCbCr709_422_8_CbYCrY, 0x02100045)                                                              \
    X(KyPixelMono10p, 0x010A0046)                                                                            \
    X(KyPixelMono12p, 0x010C0047)                                                                            \
    X(KyPixelBGR10p, 0x021E0048)                                                                             \
    X(KyPixelBGR12p, 0x02240049)                                                                             \
    X(KyPixelBGR14, 0x0230004A)                                                                              \
    X(KyPixelBGR16, 0x0230004B)                                                                              \
    X(KyPixelBGRa10, 0x0240004C)                                                                             \
    X(KyPixelBGRa10p, 0x0228004D)                                                                            \
    X(KyPixelBGRa12, 0x0240004E)                                                                             \
    X(KyPixelBGRa12p, 0x0230004F)                                                                            \
    X(KyPixelBGRa14, 0x02400050)                                                                             \
    X(KyPixelBGRa16, 0x02400051)                                                                             \
    X(KyPixelRGB10p, 0x021E0052)                                                                             \
    X(KyPixelBayerBG10p, 0x010A0052)                                                                         \
    X(KyPixelBayerBG12p, 0x010C0053)                                                                         \
    X(KyPixelBayerGB10p, 0x010A0054)                                                                         \
    X(KyPixelBayerGB12p, 0x010C0055)                                                                         \
    X(KyPixelBayerGR10p, 0x010A0056)                                                                         \
    X(KyPixelBayerGR12p, 0x010C0057)                                                                         \
    X(KyPixelBayerRG10p, 0x010A0058)                                                                         \
    X(KyPixelBayerRG12p, 0x010C0059)                                                                         \
    X(KyPixelYCbCr411_8, 0x020C005A)                                                                         \
    X(KyPixelYCbCr8, 0x0218005B)                                                                             \
    X(KyPixelRGB12p, 0x0224005C)                                                                             \
    X(KyPixelRGB14, 0x0230005D)                                                                              \
    X(KyPixelRGBa10, 0x0240005E)                                                                             \
    X(KyPixelRGBa10p, 0x0228005F)                                                                            \
    X(KyPixelRGBa12, 0x02400060)                                                                             \
    X(KyPixelRGBa12p, 0x02300061)                                                                            \
    X(KyPixelRGBa14, 0x02400062)                                                                             \
    X(KyPixelRGBa16, 0x02400063)                                                                             \
    X(KyPixelYCbCr422_10, 0x02200065)                                                                        \
    X(KyPixelYCbCr422_12, 0x02200066)                                                                        \
    X(KyPixelSCF1WBWG8, 0x01080067)                                                                          \
    X(KyPixelSCF1WBWG10, 0x01100068)                                                                         \
    X(KyPixelSCF1WBWG10p, 0x010A0069)                                                                        \
    X(KyPixelSCF1WBWG12, 0x0110006A)                                                                         \
    X(KyPixelSCF1WBWG12p, 0x010C006B)                                                                        \
    X(KyPixelSCF1WBWG14, 0x0110006C)                                                                         \
    X(KyPixelSCF1WBWG16, 0x0110006D)                                                                         \
    X(KyPixelSCF1WGWB8, 0x0108006E)                                                                          \
    X(KyPixelSCF1WGWB10, 0x0110006F)                                                                         \
    X(KyPixelSCF1WGWB10p, 0x010A0070)                                                                        \
    X(KyPixelSCF1WGWB12, 0x01100071)                                                                         \
    X(KyPixelSCF1WGWB12p, 0x010C0072)                                                                        \
    X(KyPixelSCF1WGWB14, 0x01100073)                                                                         \
    X(KyPixelSCF1WGWB16, 0x01100074)                                                                         \
    X(KyPixelSCF1WGWR8, 0x01080075)                                                                          \
    X(KyPixelSCF1WGWR10, 0x01100076)                                                                         \
    X(KyPixelSCF1WGWR10p, 0x010A0077)                                                                        \
    X(KyPixelSCF1WGWR12, 0x01100078)                                                                         \
    X(KyPixelSCF1WGWR12p, 0x010C0079)                                                                        \
    X(KyPixelSCF1WGWR14, 0x0110007A)                                                                         \
    X(KyPixelSCF1WGWR16, 0x0110007B)                                                                         \
    X(KyPixelSCF1WRWG8, 0x0108007C)                                                                          \
    X(KyPixelSCF1WRWG10, 0x0110007D)                                                                         \
    X(KyPixelSCF1WRWG10p, 0x010A007E)                                                                        \
    X(KyPixelSCF1WRWG12, 0x0110007F)                                                                         \
    X(KyPixelSCF1WRWG12p, 0x010C0080)                                                                        \
    X(KyPixelSCF1WRWG14, 0x01100081)                                                                         \
    X(KyPixelSCF1WRWG16, 0x01100082)                                                                         \
    X(KyPixelYCbCr10_CbYCr, 0x02300083)                                                                      \
    X(KyPixelYCbCr10p_CbYCr, 0x021E0084)                                                                     \
    X(KyPixelYCbCr12_CbYCr, 0x02300085)                                                                      \
    X(KyPixelYCbCr12p_CbYCr, 0x02240086)                                                                     \
    X(KyPixelYCbCr422_10p, 0x02140087)                                                                       \
    X(KyPixelYCbCr422_12p, 0x02180088)                                                                       \
    X(KyPixelYCbCr601_10_CbYCr, 0x02300089)                                                                  \
    X(KyPixelYCbCr601_10p_CbYCr, 0x021E008A)                                                                 \
    X(KyPixelYCbCr601_12_CbYCr, 0x0230008B)                                                                  \
    X(KyPixelYCbCr601_12p_CbYCr, 0x0224008C)                                                                 \
    X(KyPixelYCbCr601_422_10, 0x0220008D)                                                                    \
    X(KyPixelYCbCr601_422_10p, 0x0214008E)                                                                   \
    X(KyPixelYCbCr601_422_12, 0x0220008F)                                                                    \
    X(KyPixelYCbCr601_422_12p, 0x02180090)                                                                   \
    X(KyPixelYCbCr709_10_CbYCr, 0x02300091)                                                                  \
    X(KyPixelYCbCr709_10p_CbYCr, 0x021E0092)                                                                 \
    X(KyPixelYCbCr709_12_CbYCr, 0x02300093)                                                                  \
    X(KyPixelYCbCr709_12p_CbYCr, 0x02240094)                                                                 \
    X(KyPixelYCbCr709_422_10, 0x02200095)                                                                    \
    X(KyPixelYCbCr709_422_10p, 0x02140096)                                                                   \
    X(KyPixelYCbCr709_422_12, 0x02200097)                                                                    \
    X(KyPixelYCbCr709_422_12p, 0x02180098)                                                                   \
    X(KyPixelYCbCr422_10_CbYCrY, 0x02200099)                                                                 \
    X(KyPixelYCbCr422_10p_CbYCrY, 0x0214009A)                                                                \
    X(KyPixelYCbCr422_12_CbYCrY, 0x0220009B)                                                                 \
    X(KyPixelYCbCr422_12p_CbYCrY, 0x0218009C)                                                                \
    X(KyPixelYCbCr601_422_10_CbYCrY, 0x0220009D)                                                             \
    X(KyPixelYCbCr601_422_10p_CbYCrY, 0x0214009E)                                                            \
    X(KyPixelYCbCr601_422_12_CbYCrY, 0x0220009F)                                                             \
    X(KyPixelYCbCr601_422_12p_CbYCrY, 0x021800A0)                                                            \
    X(KyPixelYCbCr709_422_10_CbYCrY, 0x022000A1)                                                             \
    X(KyPixelYCbCr709_422_10p_CbYCrY, 0x021400A2)                                                            \
    X(KyPixelYCbCr709_422_12_CbYCrY, 0x022000A3)                                                             \
    X(KyPixelYCbCr709_422_12p_CbYCrY, 0x021800A4)                                                            \
    X(KyPixelBiColorRGBG8, 0x021000A5)                                                                       \
    X(KyPixelBiColorBGRG8, 0x021000A6)                                                                       \
    X(KyPixelBiColorRGBG10, 0x022000A7)                                                                      \
    X(KyPixelBiColorRGBG10p, 0x021400A8)                                                                     \
    X(KyPixelBiColorBGRG10, 0x022000A9)                                                                      \
    X(KyPixelBiColorBGRG10p, 0x021400AA)                                                                     \
    X(KyPixelBiColorRGBG12, 0x022000AB)                                                                      \
    X(KyPixelBiColorRGBG12p, 0x021800AC)                                                                     \
    X(KyPixelBiColorBGRG12, 0x022000AD)                                                                      \
    X(KyPixelBiColorBGRG12p, 0x021800AE)                                                                     \
    X(KyPixelCoord3D_A8, 0x010800AF)                                                                         \
    X(KyPixelCoord3D_B8, 0x010800B0)                                                                         \
    X(KyPixelCoord3D_C8, 0x010800B1)                                                                         \
    X(KyPixelCoord3D_ABC8, 0x021800B2)                                                                       \
    X(KyPixelCoord3D_ABC8_Planar, 0x021800B3)                                                                \
    X(KyPixelCoord3D_AC8, 0x021000B4)                                                                        \
    X(KyPixelCoord3D_AC8_Planar, 0x021000B5)                                                                 \
    X(KyPixelCoord3D_A16, 0x011000B6)                                                                        \
    X(KyPixelCoord3D_B16, 0x011000B7)                                                                        \
    X(KyPixelCoord3D_C16, 0x011000B8)                                                                        \
    X(KyPixelCoord3D_ABC16, 0x023000B9)                                                                      \
    X(KyPixelCoord3D_ABC16_Planar, 0x023000BA)                                                               \
    X(KyPixelCoord3D_AC16, 0x022000BB)                                                                       \
    X(KyPixelCoord3D_AC16_Planar, 0x022000BC)                                                                \
    X(KyPixelCoord3D_A32f, 0x012000BD)                                                                       \
    X(KyPixelCoord3D_B32f, 0x012000BE)                                                                       \
    X(KyPixelCoord3D_C32f, 0x012000BF)                                                                       \
    X(KyPixelCoord3D_ABC32f, 0x026000C0)                                                                     \
    X(KyPixelCoord3D_ABC32f_Planar, 0x026000C1)                                                              \
    X(KyPixelCoord3D_AC32f, 0x024000C2)                                                                      \
    X(KyPixelCoord3D_AC32f_Planar, 0x024000C3)                                                               \
    X(KyPixelConfidence1, 0x010800C4)                                                                        \
    X(KyPixelConfidence1p, 0x010100C5)                                                                       \
    X(KyPixelConfidence8, 0x010800C6)                                                                        \
    X(KyPixelConfidence16, 0x011000C7)                                                                       \
    X(KyPixelConfidence32f, 0x012000C8)                                                                      \
    X(KyPixelR8, 0x010800C9)                                                                                 \
    X(KyPixelR10, 0x010A00CA)                                                                                \
    X(KyPixelR12, 0x010C00CB)                                                                                \
    X(KyPixelR16, 0x011000CC)                                                                                \
    X(KyPixelG8, 0x010800CD)                                                                                 \
    X(KyPixelG10, 0x010A00CE)                                                                                \
    X(KyPixelG12, 0x010C00CF)                                                                                \
    X(KyPixelG16, 0x011000D0)                                                                                \
    X(KyPixelB8, 0x010800D1)                                                                                 \
    X(KyPixelB10, 0x010A00D2)                                                                                \
    X(KyPixelB12, 0x010C00D3)                                                                                \
    X(KyPixelB16, 0x011000D4)                                                                                \
    X(KyPixelCoord3D_A10p, 0x010A00D5)                                                                       \
    X(KyPixelCoord3D_B10p, 0x010A00D6)                                                                       \
    X(KyPixelCoord3D_C10p, 0x010A00D7)                                                                       \
    X(KyPixelCoord3D_A12p, 0x010C00D8)                                                                       \
    X(KyPixelCoord3D_B12p, 0x010C00D9)                                                                       \
    X(KyPixelCoord3D_C12p, 0x010C00DA)                                                                       \
    X(KyPixelCoord3D_ABC10p, 0x021E00DB)                                                                     \
    X(KyPixelCoord3D_ABC10p_Planar, 0x021E00DC)                                                              \
    X(KyPixelCoord3D_ABC12p, 0x022400DE)                                                                     \
    X(KyPixelCoord3D_ABC12p_Planar, 0x022400DF)                                                              \
    X(KyPixelCoord3D_AC10p, 0x021400F0)                                                                      \
    X(KyPixelCoord3D_AC10p_Planar, 0x021400F1)                                                               \
    X(KyPixelCoord3D_AC12p, 0x021800F2)                                                                      \
    X(KyPixelCoord3D_AC12p_Planar, 0x021800F3)                                                               \
    X(KyPixelMono14p, 0x010E0104)                                                                            \
    X(KyPixelBayerGR14p, 0x010E0105)                                                                         \
    X(KyPixelBayerRG14p, 0x010E0106)                                                                         \
    X(KyPixelBayerGB14p, 0x010E0107)                                                                         \
    X(KyPixelBayerBG14p, 0x010E0108)                                                                         \
    X(KyPixelBayerGR14, 0x01100109)                                                                          \
    X(KyPixelBayerRG14, 0x0110010A)                                                                          \
    X(KyPixelBayerGB14, 0x0110010B)                                                                          \
    X(KyPixelBayerBG14, 0x0110010C)                                                                          \
    X(KyPixelBayerGR4p, 0x0104010D)                                                                          \
    X(KyPixelBayerRG4p, 0x0104010E)                                                                          \
    X(KyPixelBayerGB4p, 0x0104010F)                                                                          \
    X(KyPixelBayerBG4p, 0x01040110)                                                                          \
    X(KyPixelMono32, 0x01200111)                                                                             \
    /* end */

#define KY_ENUM_TABLE_KyPayloadType(X)                                                                       \
    X(KyPayloadTypeUndefined, -1)                                                                            \
    X(KyPayloadTypeNone, 0)                                                                                  \
    X(KyPayloadTypeImage, 1)                                                                                 \
    X(KyPayloadTypeRawData, 2)                                                                               \
    X(KyPayloadTypeFile, 3)                                                                                  \
    X(KyPayloadTypeChunkData, 4)                                                                             \
    X(KyPayloadTypeExtendedChunkData, 5)                                                                     \
    X(KyPayloadTypeJPEG, 6)                                                                                  \
    X(KyPayloadTypeJPEG2000, 7)                                                                              \
    X(KyPayloadTypeH264, 8)                                                                                  \
    X(KyPayloadTypeMultiZoneImage, 9)                                                                        \
    X(KyPayloadTypeMultiPart, 10)                                                                            \
    X(KyPayloadTypeDeviceSpecificBase, 32768)                                                                \
    X(KyPayloadTypeTesmarCompressed, 32999)                                                                  \
    /* end */

#define KY_ENUM_TABLE_KyMultiPartDataType(X)                                                                 \
    X(KyMultiPartInvalid, 0)                                                                                 \
    X(KyMultiPart2DImage, 1)                                                                                 \
    X(KyMultiPart2DPlaneOfBiPlanar, 2)                                                                       \
    X(KyMultiPart2DPlaneOfTriPlanar, 3)                                                                      \
    X(KyMultiPart2DPlaneOfQuadPlanar, 4)                                                                     \
    X(KyMultiPart3DImage, 5)                                                                                 \
    X(KyMultiPart3DPlaneOfBiPlanar, 6)                                                                       \
    X(KyMultiPart3DPlaneOfTriPlanar, 7)                                                                      \
    X(KyMultiPart3DPlaneOfQuadPlanar, 8)                                                                     \
    X(KyMultiPartConfidenceMap, 9)                                                                           \
    X(KyMultiPartChunkData, 10)                                                                              \
    X(KyMultiPartJPEGImage, 11)                                                                              \
    X(KyMultiPartJPEG2000Image, 12)                                                                          \
    /* end */

#define KY_ENUM_TABLE_KyComponentType(X)                                                                     \
    X(KyComponentUndefined, 0)                                                                               \
    X(KyComponentIntensity, 1)                                                                               \
    X(KyComponentInfrared, 2)                                                                                \
    X(KyComponentUltraviolet, 3)                                                                             \
    X(KyComponentRange, 4)                                                                                   \
    X(KyComponentReflectance, 5)                                                                             \
    X(KyComponentConfidence, 6)                                                                              \
    X(KyComponentScatter, 7)                                                                                 \
    X(KyComponentDisparity, 8)                                                                               \
    X(KyComponentMultispectral, 9)                                                                           \
    /* end */

#define KY_ENUM_TABLE_KyEncodingEnum(X)                                                                      \
    X(KyEncodingUnknown, -1)                                                                                 \
    X(KyEncodingPTC1, 0)                                                                                     \
    /* end */

#define KY_ENUM_TABLE_KyBayerFilterType(X)                                                                   \
    X(KyBayerFilterSimple, 1)                                                                                \
    X(KyBayerFilter3X3, 2)                                                                                   \
    /* end */

#define KY_ENUM_TABLE_KyGenVisibility(X)                                                                     \
    X(KyGenVisibilityBeginner, 0)                                                                            \
    X(KyGenVisibilityExpert, 1)                                                                              \
    X(KyGenVisibilityGuru, 2)                                                                                \
    X(KyGenVisibilityInvisible, 3)                                                                           \
    X(KyGenVisibilityUndefined, 999)                                                                         \
    /* end */

#define KY_ENUM_TABLE_KyGenType(X)                                                                           \
    X(KyGenTypeInteger, 0)                                                                                   \
    X(KyGenTypeEnum, 1)                                                                                      \
    X(KyGenTypeBoolean, 2)                                                                                   \
    X(KyGenTypeString, 3)                                                                                    \
    X(KyGenTypeCommand, 4)                                                                                   \
    X(KyGenTypeFloat, 5)                                                                                     \
    X(KyGenTypeRegister, 6)                                                                                  \
    X(KyGenTypeUndefined, 999)                                                                               \
    /* end */

#define KY_ENUM_TABLE_KyGenRepresentation(X)                                                                 \
    X(KyGenRepresentationLinear, 0)                                                                          \
    X(KyGenRepresentationLogarithmic, 1)                                                                     \
    X(KyGenRepresentationBoolean, 2)                                                                         \
    X(KyGenRepresentationPureNumber, 3)                                                                      \
    X(KyGenRepresentationHexNumber, 4)                                                                       \
    X(KyGenRepresentationIPV4Address, 5)                                                                     \
    X(KyGenRepresentationMACAddress, 6)                                                                      \
    X(KyGenRepresentationUndefined, 999)                                                                     \
    /* end */

#define KY_ENUM_TABLE_KyGenNameSpace(X)                                                                      \
    X(KyGenNameSpaceStandard, 0)                                                                             \
    X(KyGenNameSpaceCustom, 1)                                                                               \
    X(KyGenNameSpaceUndefined, 999)                                                                          \
    /* end */

#define KY_ENUM_TABLE_KyGenAccessMode(X)                                                                     \
    X(KyGenAccessModeReadOnly, 0)                                                                            \
    X(KyGenAccessModeReadWrite, 1)                                                                           \
    X(KyGenAccessModeWriteOnly, 2)                                                                           \
    X(KyGenAccessModeNotImplemented, 3)                                                                      \
    X(KyGenAccessModeNotAvailable, 4)                                                                        \
    X(KyGenAccessModeUndefined, 999)                                                                         \
    /* end */

#define KY_ENUM_TABLE_KyGenCache(X)                                                                          \
    X(KyGenCacheWriteThrough, 0)                                                                             \
    X(KyGenCacheWriteAround, 1)                                                                              \
    X(KyGenCacheNone, 2)                                                                                     \
    X(KyGenCacheUndefined, 999)                                                                              \
    /* end */

#define KY_ENUM_TABLE_KyGenRefresh(X)                                                                        \
    X(KyGenRefreshInvalid, -1)                                                                               \
    X(KyGenRefreshPolling, 0)                                                                                \
    X(KyGenRefreshAuto, 1)                                                                                   \
    X(KyGenRefreshManual, 2)                                                                                 \
    /* end */

#define KY_ENUM_TABLE_KyGenEndianness(X)                                                                     \
    X(KyGenEndiannessInvalid, -1)                                                                            \
    X(KyGenEndiannessLittle, 0)                                                                              \
    X(KyGenEndiannessBig, 1)                                                                                 \
    /* end */

#define KY_ENUM_TABLE_KyGenSign(X)                                                                           \
    X(KyGenSignUndefined, -1)                                                                                \
    X(KyGenSignUnsigned, 0)                                                                                  \
    X(KyGenSignSigned, 1)                                                                                    \
    /* end */

#define KY_ENUM_TABLE_KyAccessType(X)                                                                        \
    X(KyAccessUnknown, 0)                                                                                    \
    X(KyAccessOpen, 1)                                                                                       \
    X(KyAccessControl, 2)                                                                                    \
    X(KyAccessExclusive, 3)                                                                                  \
    X(KyAccessReadOnly, 4)                                                                                   \
    /* end */

#define KY_ENUM_TABLE_KyActionAckStatusEnum(X)                                                               \
    X(KyActionAckStatusOK, 0)                                                                                \
    X(KyActionAckStatusLate, 1)                                                                              \
    X(KyActionAckStatusOverflow, 2)                                                                          \
    X(KyActionAckStatusNoRefTime, 3)                                                                         \
    /* end */

#define KY_ENUM_TABLE_KyUserSetState(X)                                                                      \
    X(KyUserSetStateSaveStart, 0)                                                                            \
    X(KyUserSetStateSaveCompleted, 1)                                                                        \
    X(KyUserSetStateLoadStart, 2)                                                                            \
    X(KyUserSetStateLoadCompleted, 3)                                                                        \
    /* end */

#define KY_ENUM_TABLE_KyScanType(X)                                                                          \
    X(KyScanTypeInvalid, -1)                                                                                 \
    X(KyScanTypeArea, 0)                                                                                     \
    X(KyScanTypeLine, 1)                                                                                     \
    X(KyScanTypeArea3D, 2)                                                                                   \
    X(KyScanTypeLine3D, 3)                                                                                   \
    /* end */

#define KY_ENUM_TABLE_KyDeviceClass(X)                                                                       \
    X(KyDeviceClassUnknown, 0)                                                                               \
    X(KyDeviceClassTransmitter, 1)                                                                           \
    X(KyDeviceClassReceiver, 2)                                                                              \
    X(KyDeviceClassTransceiver, 3)                                                                           \
    X(KyDeviceClassPeripheral, 4)                                                                            \
    /* end */

#define KY_ENUM_TABLE_KyUSBStatus(X)                                                                         \
    X(KyUSBStatusNotInitialized, -1)                                                                         \
    X(KyUSBStatusConnected, 0)                                                                               \
    X(KyUSBStatusFailedEnumeration, 1)                                                                       \
    X(KyUSBStatusGeneralFailure, 2)                                                                          \
    X(KyUSBStatusCausedOvercurrent, 3)                                                                       \
    X(KyUSBStatusNotEnoughPower, 4)                                                                          \
    X(KyUSBStatusNotEnoughBandwidth, 5)                                                                      \
    X(KyUSBStatusHubNestedTooDeeply, 6)                                                                      \
    X(KyUSBStatusInLegacyHub, 7)                                                                             \
    X(KyUSBStatusEnumerating, 8)                                                                             \
    X(KyUSBStatusReset, 9)                                                                                   \
    /* end */

#define KY_ENUM_TABLE_KyInterfaceType(X)                                                                     \
    X(KyInterfaceTypeUnknown, -1)                                                                            \
    X(KyInterfaceTypeUSBHostController, 0)                                                                   \
    X(KyInterfaceTypeNetworkAdapter, 1)                                                                      \
    /* end */

#define KY_ENUM_TABLE_KyDeviceInfoType(X)                                                                    \
    X(KyDeviceInfoTypeUnknown, -1)                                                                           \
    X(KyDeviceInfoTypeGEV, 0)                                                                                \
    X(KyDeviceInfoTypeTesmarProtocol, 1)                                                                     \
    X(KyDeviceInfoTypeUSB, 2)                                                                                \
    X(KyDeviceInfoTypeU3V, 3)                                                                                \
    /* end */

#define KY_ENUM_TABLE_KyUSBSpeed(X)                                                                          \
    X(KyUSBSpeedUnsupported, -1)                                                                             \
    X(KyUSBSpeedUnknown, 0)                                                                                  \
    X(KyUSBSpeedLow, 1)                                                                                      \
    X(KyUSBSpeedFull, 2)                                                                                     \
    X(KyUSBSpeedHigh, 3)                                                                                     \
    X(KyUSBSpeedSuper, 4)                                                                                    \
    /* end */

#define KY_ENUM_TABLE_KyDeviceType(X)                                                                        \
    X(KyDeviceTypeUnknown, -1)                                                                               \
    X(KyDeviceTypeGEV, 0)                                                                                    \
    X(KyDeviceTypeU3V, 1)                                                                                    \
    /* end */

#define KY_ENUM_TABLE_KyStreamType(X)                                                                        \
    X(KyStreamTypeUnknown, -1)                                                                               \
    X(KyStreamTypeGEV, 0)                                                                                    \
    X(KyStreamTypeU3V, 1)                                                                                    \
    X(KyStreamTypeRTP, 2)                                                                                    \
    /* end */

#define KY_ENUM_TABLE_KyDataReceiverType(X)                                                                  \
    X(KyDataReceiverTypeUnknown, -1)                                                                         \
    X(KyDataReceiverTypeTavroDriver, 0)                                                                      \
    X(KyDataReceiverTypeUserMode, 1)                                                                         \
    X(KyDataReceiverTypeTCP, 2)                                                                              \
    /* end */

#define KY_ENUM_TABLE_KyDeviceSerial(X)                                                                      \
    X(KyDeviceSerialInvalid, -1)                                                                             \
    X(KyDeviceSerial0, 0)                                                                                    \
    X(KyDeviceSerial1, 1)                                                                                    \
    X(KyDeviceSerialBulk0, 2)                                                                                \
    X(KyDeviceSerialBulk1, 3)                                                                                \
    X(KyDeviceSerialBulk2, 4)                                                                                \
    X(KyDeviceSerialBulk3, 5)                                                                                \
    X(KyDeviceSerialBulk4, 6)                                                                                \
    X(KyDeviceSerialBulk5, 7)                                                                                \
    X(KyDeviceSerialBulk6, 8)                                                                                \
    X(KyDeviceSerialBulk7, 9)                                                                                \
    /* end */

// E(name): every enumeration, in the order the Python module registers them
#define KY_ENUMERATION_LIST(E)                                                                               \
    E(KyLogLevelEnum)                                                                                        \
    E(KyPixelType)                                                                                           \
    E(KyPayloadType)                                                                                         \
    E(KyMultiPartDataType)                                                                                   \
    E(KyComponentType)                                                                                       \
    E(KyEncodingEnum)                                                                                        \
    E(KyBayerFilterType)                                                                                     \
    E(KyGenVisibility)                                                                                       \
    E(KyGenType)                                                                                             \
    E(KyGenRepresentation)                                                                                   \
    E(KyGenNameSpace)                                                                                        \
    E(KyGenAccessMode)                                                                                       \
    E(KyGenCache)                                                                                            \
    E(KyGenRefresh)                                                                                          \
    E(KyGenEndianness)                                                                                       \
    E(KyGenSign)                                                                                             \
    E(KyAccessType)                                                                                          \
    E(KyActionAckStatusEnum)                                                                                 \
    E(KyUserSetState)                                                                                        \
    E(KyScanType)                                                                                            \
    E(KyDeviceClass)                                                                                         \
    E(KyUSBStatus)                                                                                           \
    E(KyInterfaceType)                                                                                       \
    E(KyDeviceInfoType)                                                                                      \
    E(KyUSBSpeed)                                                                                            \
    E(KyDeviceType)                                                                                          \
    E(KyStreamType)                                                                                          \
    E(KyDataReceiverType)                                                                                    \
    E(KyDeviceSerial)                                                                                        \
    /* end */
