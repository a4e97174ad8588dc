// The table of classes this module creates: one row per class, in a fixed
// order. The class factory creates objects from a row; registration writes
// one COM class key per row and registers every row that has filter setup
// data with the filter mapper.
#pragma once

#include <windows.h>

#include <cstddef>

#include "framework/FilterSetup.h"
#include "framework/UnknownBase.h"

// Creates a new object with a reference count of 0 (aggregated when outer is
// given), or returns null. *hr may carry a failure out.
using CreateObjectFunction = UnknownBase* (*)(IUnknown* outer, HRESULT* hr);

struct FactoryTemplate {
    const wchar_t* name;        // class description, the class key's default value
    const CLSID* classId;
    CreateObjectFunction create;
    const FilterSetup* setup;   // filter registration data, or null
};

// "Lumora Camera" (the capture filter), "Property Page", "Format Page".
extern const FactoryTemplate factoryTemplates[];
extern const size_t factoryTemplateCount;
