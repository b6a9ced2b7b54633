// The COM side of the automation layer: a server object reached through its
// IDispatch interface, as callers see every object on Windows.
#pragma once

#include "automation/u_ole_automation.h"

#include <oaidl.h>

// Wraps an IDispatch (taking a reference of its own) as a T_Dispatch whose
// calls go through GetIDsOfNames and Invoke. A null pointer gives null.
std::shared_ptr<T_Dispatch> Com_Dispatch(IDispatch* object);

// The IDispatch behind a T_Dispatch made by Com_Dispatch, else null. No
// reference is added.
IDispatch* Com_Interface(const std::shared_ptr<T_Dispatch>& object);
