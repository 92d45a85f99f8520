"""The "check-the-interface" child mode of the real installer under Wine: the
probe runs before anything else and answers through the exit code."""
import pytest

import installer


@pytest.fixture(autouse=True)
def fresh():
    installer.clean()
    yield


def test_real_probe_finds_no_internal_interfaces_under_wine():
    # Wine implements none of the internal association interfaces.
    result = installer.run(["--check-the-interface"], winver="win10")
    assert result.code == 701
    assert installer.log_has("IApplicationAssociationRegistrationInternal creation is failed, hr=0x")
    assert installer.log_has(", guid= {2A848E25-D688-4AA3-8E55-0C16CB3A2DFB}")
    assert installer.log_has(", guid= {229D59E2-F94A-402E-9A9F-3B84A1ACED77}")
    assert installer.log_has("Unsupported Win10 version=")
    assert installer.log_has("Handled non install cmd line option by win10 default browser helper, ret code: 701")
    # Nothing of the installation starts.
    assert not installer.log_has("Lite installer mode.")


@pytest.mark.parametrize("behaviour,code", [("700", 700), ("701", 701)])
def test_child_answer_is_the_exit_code(behaviour, code):
    result = installer.run(["--check-the-interface"], env={"KELMOR_TEST_INTERFACE_CHILD": behaviour})
    assert result.code == code


def test_crashing_probe_ends_with_its_fault_code():
    result = installer.run(["--check-the-interface"], env={"KELMOR_TEST_INTERFACE_CHILD": "crash"},
                           timeout=60)
    assert not result.timed_out
    assert result.code == 0xC0000005 or result.code == -1073741819
