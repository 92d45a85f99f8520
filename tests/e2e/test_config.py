"""Brand and partner packages under Wine: real resources, real cabinets
extracted through the system's cabinet library, the brand record that
results, autodetection by region and UI language."""
import pytest

import installer
import kelmor_wine as w

PLAIN = installer.EXE
BRANDED = w.BIN / "lite_installer_branded.exe"  # partner package, brands ua_uk and tb
PACKAGES = w.BUILD / "packages"
GEO_KEY = r"HKCU\Control Panel\International\Geo"
GEO = {"RU": 203, "UA": 241, "TR": 235, "DE": 94, "US": 244}


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()
    yield
    # Leave the default region and locale for the next test.
    w.reg_add(GEO_KEY, "Nation", GEO["US"])


def texts():
    return installer.log_texts()


def line(prefix):
    """The text after `prefix` of the first log line that starts with it."""
    for t in texts():
        if t.startswith(prefix):
            return t[len(prefix):].rsplit(" (", 1)[0]
    return None


def lines_of(tag):
    return [t.rsplit(" (", 1)[0] for t in texts() if t.rsplit(" (", 1)[-1].startswith(tag + ":")]


def final_brand():
    """The last LogBrandInfo block (written by ApplyBrandDefaults) as a dict."""
    block = lines_of("LogBrandInfo")[-16:]
    assert len(block) == 16, texts()
    out = {}
    for t in block:
        key, _, value = t.split(": ", 1)[1].partition(": ")
        out[key] = value
    return out


def package_file(name):
    return (w.temp_dir() / name).read_bytes()


def run(exe=PLAIN, args=(), locale=None, region=None):
    """A silent run; with a locale (LC_ALL) and a region for that run. Wine
    rewrites the region whenever a process starts under another locale than
    the last one, so every Wine call from here on runs under that locale."""
    env = {"LC_ALL": locale} if locale else None
    w.set_windows_version(exe.name, "win10")
    if region:
        w.reg_add(GEO_KEY, "Nation", GEO[region], env=env)
    result = w.run(exe, ["--silent", *args], env=env)
    assert result.code == installer.NO_STAND_RESULT, (result, texts())
    return result


def test_no_switch_and_no_partner_package_gives_the_default_package():
    run()
    assert lines_of("GetInfoFromResources") == [
        "WARNING: Partner package is empty.",
        "INFO: Fetching default package",
        f"INFO: Extract Brand package: {w.to_windows(w.temp_dir())}\\BrandFile "
        f"[{(PACKAGES / 'product/default.cab').stat().st_size}B]",
    ]
    assert lines_of("Clear") == ["INFO: Reset brand info."] * 2
    # The package is written unchanged for setup; there is no partner file.
    assert package_file("BrandFile") == (PACKAGES / "product/default.cab").read_bytes()
    assert not (w.temp_dir() / "PartnerFile").exists()
    # Its document was merged (its facetune block is logged), then defaulted.
    assert lines_of("ApplyBrandInfo") == ["INFO: InstallerFacetune2023: enabled = 1, firstScreenOff = 0, "
                                          "dialogsRedesign = 0, lessContrasty = 1"]
    brand = final_brand()
    assert brand["Brand id"] == "kelmor"
    assert brand["Brand name"] == "kelmor"
    assert brand["Setup url"].endswith("/browser/kelmor/browser-setup.arc")
    assert brand["Default language"] == "en"
    assert brand["Send browser's statistics"] == "1"


@pytest.mark.parametrize("locale,region,detected,resource", [
    ("uk_UA.UTF-8", "RU", "ua_uk", "UA_UK"),     # row 1
    ("en_US.UTF-8", "UA", "ua_uk", "UA_UK"),     # row 4
    ("ru_RU.UTF-8", "UA", "ua_ru", None),        # row 3, no such package here
    ("tr_TR.UTF-8", "DE", "tb", "TB"),           # row 8
    ("en_US.UTF-8", "DE", None, None),           # no row: kelmor, no such package
])
def test_auto_follows_region_and_ui_language(locale, region, detected, resource):
    run(BRANDED, ["--brand-name=auto"], locale=locale, region=region)
    language = locale[:2]
    expected = [f"INFO: User region: {region}", f"INFO: User locale: {language}"]
    if detected:
        expected.append(f"INFO: Detected brand-name: {detected}")
    else:
        expected.append("INFO: Didn't found brand-name. Use default: kelmor")
    assert lines_of("AutodetectBrandName") == expected
    fetched = lines_of("GetInfoFromResources")
    name = (detected or "kelmor").upper()
    assert f"INFO: Fetching autodetected {name} package" in fetched
    brand = final_brand()
    if resource:
        assert "INFO: Fetching default package" not in fetched
        assert package_file("BrandFile") == (PACKAGES / f"branded/brand_{detected}.cab").read_bytes()
        assert brand["Brand name"] == "partner-named"  # the partner's value wins
        assert brand["Brand id"] == {"ua_uk": "ua-uk", "tb": "tb"}[detected]
        assert brand["Default language"] == {"ua_uk": "uk", "tb": "tr"}[detected]
        assert brand["Show international title"] == "1"
    else:
        assert fetched.index("INFO: Fetching default package") == fetched.index(
            f"INFO: Fetching autodetected {name} package") + 1
        assert package_file("BrandFile") == (PACKAGES / "branded/default.cab").read_bytes()
        assert brand["Brand id"] == "kelmor"
        assert brand["Default language"] == language


def test_named_brand_without_its_resource_falls_back_to_the_default():
    run(BRANDED, ["--brand-name=ua_ru"])
    fetched = lines_of("GetInfoFromResources")
    assert fetched[1:3] == ["INFO: Fetching definedua_ru package", "INFO: Fetching default package"]
    assert package_file("BrandFile") == (PACKAGES / "branded/default.cab").read_bytes()
    assert final_brand()["Brand id"] == "kelmor"
    # AUTO in capitals names a brand; it does not ask for detection.
    installer.clean()
    run(BRANDED, ["--brand-name=AUTO"])
    assert "INFO: Fetching definedAUTO package" in lines_of("GetInfoFromResources")
    assert "INFO: Fetching default package" in lines_of("GetInfoFromResources")
    assert lines_of("AutodetectBrandName") == []
    # A named brand that exists is found whatever the switch's case.
    installer.clean()
    run(BRANDED, ["--brand-name=Tb"])
    assert "INFO: Fetching definedTb package" in lines_of("GetInfoFromResources")
    assert "INFO: Fetching default package" not in lines_of("GetInfoFromResources")
    assert final_brand()["Brand id"] == "tb"


def test_partner_values_win_over_the_brand_except_the_facetune_flags():
    run(BRANDED, ["--brand-name=ua_uk"])
    temp = w.to_windows(w.temp_dir())
    fetched = lines_of("GetInfoFromResources")
    partner = (PACKAGES / "branded/partner.cab").read_bytes()
    assert fetched[0] == f"INFO: Extract Partner package: {temp}\\PartnerFile [{len(partner)}B]"
    assert package_file("PartnerFile") == partner
    assert package_file("BrandFile") == (PACKAGES / "branded/brand_ua_uk.cab").read_bytes()
    # Partner merged first, then the brand: the last facetune block wins.
    assert lines_of("ApplyBrandInfo") == [
        "INFO: InstallerFacetune2023: enabled = 0, firstScreenOff = 1, dialogsRedesign = 1, lessContrasty = 0",
        "INFO: InstallerFacetune2023: enabled = 1, firstScreenOff = 0, dialogsRedesign = 1, lessContrasty = 1",
    ]
    brand = final_brand()
    assert brand["Brand name"] == "partner-named"        # both set it: the partner's
    assert brand["Brand id"] == "ua-uk"                   # only the brand sets it
    assert brand["Send browser's statistics"] == "0"      # partner false beats brand true
    assert brand["Make browser default after import"] == "0"  # only the brand says false
    assert brand["Test ids"] == "partner-test, second"    # the first list, strings only
    assert brand["Default language"] == "uk"


def test_lang_parameter_replaces_the_packages_language():
    run(BRANDED, ["--brand-name=ua_uk", "--distr-info-params=lang=kk&banerid=3"])
    assert final_brand()["Default language"] == "kk"
