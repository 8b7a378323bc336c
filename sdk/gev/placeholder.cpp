namespace ky { void KyGevProtocolPlaceholder() {} }
