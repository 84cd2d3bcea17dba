#include "NTXAppKit/inspector/NTXTextViewInspectorFieldHost.h"

NTXTextViewInspectorFieldHost::~NTXTextViewInspectorFieldHost() = default;
