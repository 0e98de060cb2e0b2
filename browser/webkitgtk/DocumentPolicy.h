// Sub-resources of the https origin are answered through the internal scheme, and WebKit
// takes the internal URL as their response URL: a module's relative imports and a
// stylesheet's url() then resolve to the internal scheme, which a page policy of 'self'
// refuses. The host loads each document of the origin itself, so before loading it admits
// the internal form of the same origin wherever a Content-Security-Policy meta element of
// the document admits 'self'. Both forms are answered by the same host from the same
// handler, so nothing is admitted that 'self' did not already admit.
#pragma once

#include <string>
#include <string_view>

namespace vantreel::webkitgtk {

// `internalOrigin`: e.g. "vantreel-app://app.vantreel.invalid". Returns the document with
// every 'self' inside a CSP meta element's content followed by that origin.
std::string AdmitInternalOrigin(std::string_view html, std::string_view internalOrigin);

// A document that the host loads itself comes with no response headers, so the policy that
// the answer carries as a header goes into the document as a meta element: returns `html`
// with a policy meta element of `policy` at the start of its head (after the doctype, or
// first, when it has no head tag). A second policy can only narrow the first.
std::string AddPolicy(std::string_view html, std::string_view policy);

// The navigation policy cannot tell a frame's or an object's navigation from the top
// document's, so a frame or object of the origin would be loaded into the whole view, and
// one of another origin is a page that the view must not show. Documents that the host
// loads therefore allow neither: AddPolicy with frame-src, child-src and object-src 'none'.
std::string ForbidFrames(std::string_view html);

}  // namespace vantreel::webkitgtk
