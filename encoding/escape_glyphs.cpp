#include "encoding/escape_glyphs.h"

#include <array>

#include "encoding/cp1252.h"

namespace gridlet {

namespace {

// One row per escape that has a faithful Unicode form. Where two escapes
// look alike (the squares "_^2_" and "_squared_") the one that reads back
// from the glyph comes first.
constexpr std::array kGlyphs = {
    // Comparison, arrows and operators.
    EscapeGlyph{"_!=_", "≠"},        EscapeGlyph{"_<=_", "≤"},        EscapeGlyph{"_>=_", "≥"},
    EscapeGlyph{"_->_", "→"},        EscapeGlyph{"_<-_", "←"},        EscapeGlyph{"_>_", "►"},
    EscapeGlyph{"_<<_", "«"},        EscapeGlyph{"_>>_", "»"},        EscapeGlyph{"_up-arrow_", "↑"},
    EscapeGlyph{"_dn-arrow_", "↓"},  EscapeGlyph{"_dn-triangle_", "▼"}, EscapeGlyph{"_+-_", "±"},
    EscapeGlyph{"_neg_", "−"},       EscapeGlyph{"_root_", "√"},      EscapeGlyph{"_integral_", "∫"},
    EscapeGlyph{"_diff_", "∂"},      EscapeGlyph{"_infinity_", "∞"},  EscapeGlyph{"_angle_", "∠"},
    EscapeGlyph{"_element_", "∈"},   EscapeGlyph{"_subset_", "⊂"},    EscapeGlyph{"_union_", "∪"},
    EscapeGlyph{"_intersect_", "∩"}, EscapeGlyph{"_lnot_", "¬"},      EscapeGlyph{"_dot_", "·"},
    EscapeGlyph{"_ellipsis_", "…"},  EscapeGlyph{"_enter_", "↵"},     EscapeGlyph{"_box_", "□"},
    EscapeGlyph{"_block_", "█"},     EscapeGlyph{"_per_", "/"},       EscapeGlyph{"_+_", "+"},
    EscapeGlyph{"_-_", "-"},
    // Powers and indices.
    EscapeGlyph{"_^-1_", "⁻¹"},      EscapeGlyph{"_^-_", "⁻"},        EscapeGlyph{"_^+_", "⁺"},
    EscapeGlyph{"_^1_", "¹"},        EscapeGlyph{"_^2_", "²"},        EscapeGlyph{"_squared_", "²"},
    EscapeGlyph{"_^3_", "³"},        EscapeGlyph{"_cubed_", "³"},     EscapeGlyph{"_^a_", "ᵃ"},
    EscapeGlyph{"_^x_", "ˣ"},        EscapeGlyph{"_trans_", "ᵀ"},     EscapeGlyph{"_T_", "ᴛ"},
    EscapeGlyph{"_degrees_", "°"},   EscapeGlyph{"_radians_", "ʳ"},   EscapeGlyph{"_bin_", "ᵇ"},
    EscapeGlyph{"_oct_", "ᵒ"},       EscapeGlyph{"_dec_", "ᵈ"},       EscapeGlyph{"_hex_", "ʰ"},
    EscapeGlyph{"_0_", "₀"},         EscapeGlyph{"_1_", "₁"},         EscapeGlyph{"_2_", "₂"},
    EscapeGlyph{"_3_", "₃"},         EscapeGlyph{"_4_", "₄"},         EscapeGlyph{"_5_", "₅"},
    EscapeGlyph{"_6_", "₆"},         EscapeGlyph{"_7_", "₇"},         EscapeGlyph{"_8_", "₈"},
    EscapeGlyph{"_9_", "₉"},         EscapeGlyph{"_10_", "10"},       EscapeGlyph{"_EE_", "ᴇ"},
    EscapeGlyph{"_E_", "ᴇ"},         EscapeGlyph{"_L_", "ʟ"},
    // Constants and statistics.
    EscapeGlyph{"_pi_", "π"},        EscapeGlyph{"_e_", "ℯ"},         EscapeGlyph{"_i_", "𝑖"},
    EscapeGlyph{"_xmean_", "x̄"},     EscapeGlyph{"_ymean_", "ȳ"},     EscapeGlyph{"_n_", "n"},
    EscapeGlyph{"_N_", "N"},         EscapeGlyph{"_F-stat_", "F"},
    // Greek letters.
    EscapeGlyph{"_alpha_", "α"},     EscapeGlyph{"_beta_", "β"},      EscapeGlyph{"_gamma_", "γ"},
    EscapeGlyph{"_GAMMA_", "Γ"},     EscapeGlyph{"_delta_", "δ"},     EscapeGlyph{"_DELTA_", "Δ"},
    EscapeGlyph{"_epsilon_", "ε"},   EscapeGlyph{"_zeta_", "ζ"},      EscapeGlyph{"_theta_", "θ"},
    EscapeGlyph{"_lambda_", "λ"},    EscapeGlyph{"_mu_", "μ"},        EscapeGlyph{"_xi_", "ξ"},
    EscapeGlyph{"_PI_", "Π"},        EscapeGlyph{"_rho_", "ρ"},       EscapeGlyph{"_sigma_", "σ"},
    EscapeGlyph{"_SIGMA_", "Σ"},     EscapeGlyph{"_tau_", "τ"},       EscapeGlyph{"_phi_", "φ"},
    EscapeGlyph{"_chi_", "χ"},       EscapeGlyph{"_psi_", "ψ"},       EscapeGlyph{"_omega_", "ω"},
    EscapeGlyph{"_OMEGA_", "Ω"},     EscapeGlyph{"_rho^_", "ρ̂"},
    // Letters with marks.
    EscapeGlyph{"_A`_", "À"},        EscapeGlyph{"_a`_", "à"},        EscapeGlyph{"_A'_", "Á"},
    EscapeGlyph{"_a'_", "á"},        EscapeGlyph{"_A^_", "Â"},        EscapeGlyph{"_a^_", "â"},
    EscapeGlyph{"_A~_", "Ã"},        EscapeGlyph{"_a~_", "ã"},        EscapeGlyph{"_A:_", "Ä"},
    EscapeGlyph{"_a:_", "ä"},        EscapeGlyph{"_Ao_", "Å"},        EscapeGlyph{"_ao_", "å"},
    EscapeGlyph{"_AE_", "Æ"},        EscapeGlyph{"_ae_", "æ"},        EscapeGlyph{"_C,_", "Ç"},
    EscapeGlyph{"_c,_", "ç"},        EscapeGlyph{"_C_", "Ç"},         EscapeGlyph{"_c_", "ç"},
    EscapeGlyph{"_E`_", "È"},        EscapeGlyph{"_e`_", "è"},        EscapeGlyph{"_E'_", "É"},
    EscapeGlyph{"_e'_", "é"},        EscapeGlyph{"_E^_", "Ê"},        EscapeGlyph{"_e^_", "ê"},
    EscapeGlyph{"_E:_", "Ë"},        EscapeGlyph{"_e:_", "ë"},        EscapeGlyph{"_I`_", "Ì"},
    EscapeGlyph{"_i`_", "ì"},        EscapeGlyph{"_I'_", "Í"},        EscapeGlyph{"_i'_", "í"},
    EscapeGlyph{"_I^_", "Î"},        EscapeGlyph{"_i^_", "î"},        EscapeGlyph{"_I:_", "Ï"},
    EscapeGlyph{"_i:_", "ï"},        EscapeGlyph{"_N~_", "Ñ"},        EscapeGlyph{"_n~_", "ñ"},
    EscapeGlyph{"_O`_", "Ò"},        EscapeGlyph{"_o`_", "ò"},        EscapeGlyph{"_O'_", "Ó"},
    EscapeGlyph{"_o'_", "ó"},        EscapeGlyph{"_O^_", "Ô"},        EscapeGlyph{"_o^_", "ô"},
    EscapeGlyph{"_O~_", "Õ"},        EscapeGlyph{"_o~_", "õ"},        EscapeGlyph{"_O:_", "Ö"},
    EscapeGlyph{"_o:_", "ö"},        EscapeGlyph{"_O/_", "Ø"},        EscapeGlyph{"_o/_", "ø"},
    EscapeGlyph{"_U`_", "Ù"},        EscapeGlyph{"_u`_", "ù"},        EscapeGlyph{"_U'_", "Ú"},
    EscapeGlyph{"_u'_", "ú"},        EscapeGlyph{"_U^_", "Û"},        EscapeGlyph{"_u^_", "û"},
    EscapeGlyph{"_U:_", "Ü"},        EscapeGlyph{"_u:_", "ü"},        EscapeGlyph{"_Y'_", "Ý"},
    EscapeGlyph{"_y'_", "ý"},        EscapeGlyph{"_y:_", "ÿ"},        EscapeGlyph{"_ss_", "ß"},
    EscapeGlyph{"_Dbar_", "Ð"},      EscapeGlyph{"_dbar_", "ð"},      EscapeGlyph{"_p_", "þ"},
    // Marks and signs.
    EscapeGlyph{"_!_", "¡"},         EscapeGlyph{"_?_", "¿"},         EscapeGlyph{"_(C)_", "©"},
    EscapeGlyph{"_registered_", "®"}, EscapeGlyph{"_cents_", "¢"},    EscapeGlyph{"_pounds_", "£"},
    EscapeGlyph{"_yen_", "¥"},       EscapeGlyph{"_section_", "§"},   EscapeGlyph{"_para_", "¶"},
    EscapeGlyph{"_accent_", "´"},    EscapeGlyph{"_grave_", "`"},     EscapeGlyph{"_dier_", "¨"},
    EscapeGlyph{"_starburst_", "✱"}, EscapeGlyph{"_ord_", "º"},
    // Spaces.
    EscapeGlyph{"_sp1_", " "},       EscapeGlyph{"_sp2_", " "},       EscapeGlyph{"_sp3_", " "},
    EscapeGlyph{"_sp4_", " "},
};

}  // namespace

std::span<const EscapeGlyph> EscapeGlyphTable() { return kGlyphs; }

std::optional<std::string_view> GlyphOfEscape(std::string_view escape) {
  for (const EscapeGlyph& glyph : kGlyphs) {
    if (glyph.escape == escape) return glyph.utf8;
  }
  return std::nullopt;
}

std::optional<std::string_view> EscapeOfGlyph(std::string_view utf8) {
  for (const EscapeGlyph& glyph : kGlyphs) {
    if (glyph.utf8 == utf8) return glyph.escape;
  }
  return std::nullopt;
}

std::string EscapedTextToUnicode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t plainFrom = 0;  // start of the text not yet copied
  std::size_t open = text.find('_');
  while (open != std::string_view::npos) {
    const std::size_t close = text.find('_', open + 1);
    if (close == std::string_view::npos) break;
    if (std::optional<std::string_view> glyph = GlyphOfEscape(text.substr(open, close - open + 1))) {
      out += Cp1252ToUtf8(text.substr(plainFrom, open - plainFrom));
      out += *glyph;
      plainFrom = close + 1;
      open = text.find('_', plainFrom);
    } else {
      open = close;  // the closing underscore may open the next escape
    }
  }
  out += Cp1252ToUtf8(text.substr(plainFrom));
  return out;
}

}  // namespace gridlet
