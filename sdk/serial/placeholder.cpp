// Stand-in until the library's first class lands.
namespace ky {
void KySerialPlaceholder() { }
}  // namespace ky
